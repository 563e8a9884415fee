#!/usr/bin/env python3
"""Shows, from a Windows program's code, that its stack guard is seeded at run time.

-fstack-protector-strong makes each protected function copy a guard word into
its frame on entry and check the copy before it returns. A guard that is a
constant, or that nothing seeds, is one an attacker can write back. The
program passes when:

- an initialiser of the C runtime's table (the .CRT section, whose functions
  run before the static objects are made and before WinMain) calls advapi32's
  RtlGenRandom (SystemFunction036), directly or through its import thunk,
  with a word of .bss, which is zero in the file, in the same function;
- that word is the guard: other functions read it, directly or through a
  pointer to it in .rdata (how x86-64 code reaches a variable of another
  object file).

Prints the guard's address, or one line saying what is missing, and exits 1
then. Reads the program with MinGW-w64's objdump, whichever word size it has.
Usage: tools/stack-guard-seeding.py EXE
"""
import re
import subprocess
import sys

OBJDUMP = "x86_64-w64-mingw32-objdump"
RANDOM_DLL, RANDOM_FUNCTION = "advapi32.dll", "SystemFunction036"
INSTRUCTION = re.compile(r"^\s+([0-9a-f]+):\t(?:[0-9a-f]{2} )+\s*\t(\S+)\s*(.*)$")
# Addresses as objdump prints them: 0x-prefixed, or bare before a symbol's
# name in a program that has symbols.
ADDRESS = re.compile(r"\b(?:0x)?([0-9a-f]+)\b")
SYMBOL = re.compile(r"<[^>]*>")
# An initialiser is short: it ends at its first return well before this.
MAX_INITIALISER_INSTRUCTIONS = 300


def objdump(*args):
    return subprocess.run([OBJDUMP, *args], check=True, capture_output=True, text=True).stdout


def sections(exe):
    """Name -> (first address, end) of each section."""
    found = {}
    for m in re.finditer(r"^\s*\d+ (\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s", objdump("-h", exe), re.M):
        start = int(m.group(3), 16)
        found[m.group(1)] = (start, start + int(m.group(2), 16))
    return found


def import_slot(headers, dll, function, pointer_size):
    """The address of the import-table slot through which `dll!function` is called."""
    image_base = int(re.search(r"^ImageBase\s+([0-9a-f]+)", headers, re.M).group(1), 16)
    first_thunk, current, index = None, None, 0
    for line in headers.splitlines():
        descriptor = re.match(r"^ ([0-9a-f]{8})\t([0-9a-f]{8}) (?:[0-9a-f]{8} ){3}([0-9a-f]{8})$", line)
        if descriptor:
            first_thunk, current, index = int(descriptor.group(3), 16), None, 0
        elif line.strip().startswith("DLL Name:"):
            current = line.split()[-1].lower()
        elif current == dll and re.match(r"^\t[0-9a-f]+\t", line):
            if line.split()[-1] == function:
                return image_base + first_thunk + index * pointer_size
            index += 1
    return None


def words(exe, section, pointer_size):
    """Address -> value of each aligned pointer-size word of `section`."""
    data, start = bytearray(), None
    for line in objdump("-s", "-j", section, exe).splitlines():
        m = re.match(r"^ ([0-9a-f]+) ((?:[0-9a-f]{2,8} ?){1,4})", line)
        if m:
            start = int(m.group(1), 16) if start is None else start
            data += bytes.fromhex(m.group(2).replace(" ", ""))
    return {start + i: int.from_bytes(data[i:i + pointer_size], "little")
            for i in range(0, len(data) - pointer_size + 1, pointer_size)}


def disassembly(exe):
    """The program's instructions as (address, mnemonic, operands)."""
    code = []
    for line in objdump("-d", "-M", "intel", exe).splitlines():
        m = INSTRUCTION.match(line)
        if m:
            code.append((int(m.group(1), 16), m.group(2), m.group(3)))
    return code


def addresses(operands):
    return [int(a, 16) for a in ADDRESS.findall(SYMBOL.sub("", operands))]


def calls_slot(instruction, slot, at):
    """Whether a call reaches `slot`, through it or through a thunk that jumps through it."""
    _, mnemonic, operands = instruction
    if mnemonic != "call":
        return False
    if "PTR" in operands:
        return slot in addresses(operands)
    target = addresses(operands)
    thunk = at.get(target[0]) if target else None
    return thunk is not None and thunk[1] == "jmp" and slot in addresses(thunk[2])


def seeded_word(code, index, start, slot, bss):
    """The .bss word an initialiser at `start` fills with RtlGenRandom, with the
    indices of its instructions; None when it does not. `index` gives an
    instruction's place in `code` by its address."""
    at = {address: code[i] for address, i in index.items()}
    first = index.get(start)
    if first is None:
        return None
    body = []
    for i in range(first, min(first + MAX_INITIALISER_INSTRUCTIONS, len(code))):
        body.append(i)
        if code[i][1].startswith("ret"):
            break
    if not any(calls_slot(code[i], slot, at) for i in body):
        return None
    in_bss = [a for i in body for a in addresses(code[i][2]) if bss[0] <= a < bss[1]]
    return (in_bss[0], set(body)) if in_bss else None


def main(exe):
    found = sections(exe)
    headers = objdump("-p", exe)
    pointer_size = 8 if "pei-x86-64" in headers else 4
    slot = import_slot(headers, RANDOM_DLL, RANDOM_FUNCTION, pointer_size)
    if slot is None or ".CRT" not in found or ".bss" not in found:
        print(f"{exe}: does not import RtlGenRandom ({RANDOM_FUNCTION}) to seed its stack guard")
        return 1
    text, bss = found[".text"], found[".bss"]
    code = disassembly(exe)
    index = {address: i for i, (address, _, _) in enumerate(code)}
    initialisers = [v for v in words(exe, ".CRT", pointer_size).values() if text[0] <= v < text[1]]
    for start in initialisers:
        seeded = seeded_word(code, index, start, slot, bss)
        if not seeded:
            continue
        guard, seeder = seeded
        rdata = words(exe, ".rdata", pointer_size) if ".rdata" in found else {}
        pointers = {a for a, v in rdata.items() if v == guard}
        readers = [i for i, (_, _, operands) in enumerate(code)
                   if i not in seeder and ({guard} | pointers) & set(addresses(operands))]
        if readers:
            print(f"{exe}: stack guard at 0x{guard:x}, seeded by RtlGenRandom before WinMain")
            return 0
        print(f"{exe}: the word RtlGenRandom seeds at start-up (0x{guard:x}) is read by no function")
        return 1
    print(f"{exe}: no start-up initialiser seeds the stack guard with RtlGenRandom")
    return 1


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: stack-guard-seeding.py EXE")
    sys.exit(main(sys.argv[1]))
