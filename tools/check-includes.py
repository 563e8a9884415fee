#!/usr/bin/env python3
"""Checks the program's include structure; exits 1 on the first kind of fault.

- Rules never reach Windows: no source of the vestrel_rules library, nor any
  project header it includes (directly or through other headers), includes a
  Windows header.
- Folders form a line: a file includes only from its own folder or a lower
  one (platform, advisory < discovery < identify < dialogs, rows < unattended
  < app), so nothing below app/ climbs back into it, and the window-free modes
  never reach the window.
- No circles: taking a .cpp and its .h as one unit, no unit reaches itself
  through its includes.
- Names say the layer: a source that reaches a Windows header, and only such
  a source, ends in _win32.cpp.

Usage: tools/check-includes.py
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FOLDER_RANK = {"res": 0, "platform": 0, "advisory": 0, "discovery": 1, "identify": 2, "dialogs": 3,
               "rows": 3, "unattended": 4, "app": 5}
WINDOWS_HEADERS = {"windows.h", "winioctl.h", "commctrl.h", "shellapi.h", "dbt.h", "ntddscsi.h",
                   "richedit.h", "winreg.h", "winbase.h", "windef.h", "winuser.h"}
PROJECT_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.M)
RULES_SOURCES = re.compile(r"target_sources\(\s*vestrel_rules\s+PRIVATE([^)]*)\)", re.S)


def program_files():
    return sorted(p.relative_to(ROOT).as_posix() for folder in FOLDER_RANK
                  for p in (ROOT / folder).glob("*") if p.suffix in (".cpp", ".h"))


def project_includes(path):
    text = (ROOT / path).read_text(encoding="utf-8")
    return [name for name in PROJECT_INCLUDE.findall(text) if (ROOT / name).is_file()]


def windows_includes(path):
    text = (ROOT / path).read_text(encoding="utf-8")
    return [name for name in SYSTEM_INCLUDE.findall(text) if name.lower() in WINDOWS_HEADERS]


def rules_sources():
    sources = []
    for folder in FOLDER_RANK:
        cmake = ROOT / folder / "CMakeLists.txt"
        if cmake.is_file():
            for block in RULES_SOURCES.findall(cmake.read_text(encoding="utf-8")):
                sources += [f"{folder}/{name}" for name in block.split()]
    return sources


def reaches_windows(source):
    seen, stack = set(), [source]
    while stack:
        path = stack.pop()
        if path in seen:
            continue
        seen.add(path)
        if windows_includes(path):
            return True
        stack += project_includes(path)
    return False


def check_names_say_the_layer(files):
    faults = []
    for path in files:
        if path.endswith(".cpp") and reaches_windows(path) != path.endswith("_win32.cpp"):
            faults.append(f"{path}: a source ends in _win32.cpp exactly when it reaches Windows")
    return faults


def check_rules_stay_portable():
    faults = []
    for source in rules_sources():
        seen, stack = set(), [(source, [source])]
        while stack:
            path, chain = stack.pop()
            if path in seen:
                continue
            seen.add(path)
            for header in windows_includes(path):
                faults.append(f"rules reach <{header}>: {' -> '.join(chain)}")
            stack += [(name, chain + [name]) for name in project_includes(path)]
    return faults


def folder_of(path):
    return path.split("/", 1)[0]


def check_no_climbs(files):
    faults = []
    for path in files:
        for name in project_includes(path):
            if FOLDER_RANK.get(folder_of(name), -1) > FOLDER_RANK[folder_of(path)]:
                faults.append(f"{path} includes {name}, from a higher folder")
    return faults


def unit(path):
    return path.rsplit(".", 1)[0]


def check_no_circles(files):
    graph = {}
    for path in files:
        edges = graph.setdefault(unit(path), set())
        edges.update(unit(name) for name in project_includes(path) if unit(name) != unit(path))
    faults, state = [], {}

    def visit(node, chain):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                faults.append("circle: " + " -> ".join(chain[chain.index(nxt):] + [nxt]))
            elif nxt not in state:
                visit(nxt, chain + [nxt])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return faults


def main():
    files = program_files()
    faults = (check_rules_stay_portable() + check_no_climbs(files) + check_no_circles(files) +
              check_names_say_the_layer(files))
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        return 1
    print(f"includes: {len(files)} files, rules portable, no climbs, no circles, names by layer")
    return 0


if __name__ == "__main__":
    sys.exit(main())
