#!/usr/bin/env python3
"""Writes a release zip whose bytes depend on its contents and SOURCE_DATE_EPOCH
alone: a fixed order of entries, every entry with that time (UTC) and the same
permissions, no extra fields, and a SHA256SUMS of the other entries, which it
also prints.

Usage: make_zip.py OUT.zip VESTREL_EXE VESTREL64_EXE README_TXT EULA_TXT BUILDINFO_TXT
"""
import hashlib
import os
import sys
import time
import zipfile


def windows_text(data):
    """Text files get CRLF line ends, which every Windows editor shows, and
    UTF-8 beyond ASCII a byte-order mark, without which older editors read
    it in the system's code page."""
    data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    return data if data.isascii() else b"\xef\xbb\xbf" + data


def licence_text(source):
    """The agreement of res/eula.txt without its comments and document
    information, which come before the title."""
    lines = [line for line in source.splitlines(keepends=True) if not line.startswith(b"%")]
    for i, line in enumerate(lines):
        if line.startswith(b"# "):
            return b"".join(lines[i:])
    raise SystemExit("eula.txt has no title line")


def main():
    out, exe32, exe64, readme, eula, buildinfo = sys.argv[1:]
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        raise SystemExit("SOURCE_DATE_EPOCH is not set")
    # A zip time has two-second steps and starts in 1980.
    date_time = time.gmtime(max(int(epoch), 315532800))[:6]

    def read(path):
        with open(path, "rb") as f:
            return f.read()

    entries = [
        ("Vestrel.exe", read(exe32)),
        ("Vestrel64.exe", read(exe64)),
        ("README.txt", windows_text(read(readme))),
        ("LICENSE.txt", windows_text(licence_text(read(eula)))),
        ("BUILDINFO.txt", windows_text(read(buildinfo))),
    ]
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name) for name, data in entries)
    entries.append(("SHA256SUMS", sums.encode("ascii")))

    with zipfile.ZipFile(out, "w") as zf:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            zf.writestr(info, data, compresslevel=9)
    sys.stdout.write(sums)


if __name__ == "__main__":
    main()
