#!/usr/bin/env python3
"""Makes the recorded-reply folders of the identify replay tests from the
identify sectors in ../identify and from NVMe Identify Controller pages made
here. Run from anywhere; it rewrites the folders beside it (see README.md)."""

import glob
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
SECTORS = os.path.join(HERE, "..", "identify")


def sector(name, size=512):
    with open(os.path.join(SECTORS, name), "rb") as f:
        return f.read()[:size]


def nvme_page(serial, model, firmware):
    """An Identify Controller page: PCI vendor ids, then the serial number
    (bytes 4-23), model (24-63) and firmware (64-71), space-padded ASCII."""
    page = bytearray(4096)
    page[0:4] = bytes([0x4D, 0x14, 0x4D, 0x14])
    page[4:24] = serial.encode("ascii").ljust(20, b" ")
    page[24:64] = model.encode("ascii").ljust(40, b" ")
    page[64:72] = firmware.encode("ascii").ljust(8, b" ")
    page[77] = 9  # maximum data transfer size
    return bytes(page)


ZERO_SECTOR = bytes(512)

# folder -> drive index -> file -> data
FOLDERS = {
    "same-sector": {
        0: {"smart.bin": sector("02.bin")},
        1: {"sat16.bin": sector("02.bin")},
    },
    "zero-sat16": {
        0: {"sat16.bin": ZERO_SECTOR},
    },
    "usb-bridges": {
        0: {"sat12.bin": sector("33.bin")},  # rejects ATA PASS-THROUGH (16)
        1: {"sat16.bin": ZERO_SECTOR, "sat12.bin": sector("03.bin")},
        2: {"sat16.bin": sector("05.bin", 200)},  # short reply
        3: {},  # answers nothing
        4: {"smart.bin": sector("30.bin"), "sat16.bin": sector("33.bin")},
        6: {"sat16.bin": sector("06.bin")},
    },
    "nvme": {
        0: {"nvme.bin": nvme_page("PL0NV0R123456", "CORVANE NV2 1TB", "2B2QEXM7")},
        1: {"nvme.bin": bytes(4096)},
        2: {"nvme.bin": nvme_page("PL0NV0R654321", "CORVANE NV2 2TB", "2B2QEXM7")[:1000]},
        3: {"sat16.bin": sector("02.bin"),
            "nvme.bin": nvme_page("PL0NV0R000001", "CORVANE NV2 1TB", "2B2QEXM7")},
    },
    # Drives that never answer one request, between drives that answer.
    "silent-drives": {
        0: {"smart.bin": sector("02.bin")},
        1: {"smart.hang": b"", "sat16.bin": sector("03.bin")},
        2: {"sat16.bin": sector("06.bin")},
        3: {"sat16.hang": b"", "sat12.bin": sector("33.bin")},
        4: {"smart.bin": sector("30.bin")},
    },
    "silent-late": {
        0: {"sat16.bin": ZERO_SECTOR, "sat12.hang": b""},
        1: {"nvme.hang": b""},
        2: {"sat12.bin": sector("33.bin")},
    },
    # A drive whose open never returns, between drives that answer.
    "silent-open": {
        0: {"smart.bin": sector("02.bin")},
        1: {"open.hang": b"", "smart.bin": sector("03.bin")},
        2: {"sat12.bin": sector("33.bin")},
    },
}

# Every sector of ../identify, once as a SMART reply and once as a
# pass-through reply (16 and 12 in turn), at the same index.
names = sorted(os.path.basename(p) for p in glob.glob(os.path.join(SECTORS, "*.bin")))
FOLDERS["smart-sectors"] = {i: {"smart.bin": sector(n)} for i, n in enumerate(names)}
FOLDERS["sat-sectors"] = {
    i: {("sat16.bin" if i % 2 == 0 else "sat12.bin"): sector(n)} for i, n in enumerate(names)
}

for folder, drives in FOLDERS.items():
    root = os.path.join(HERE, folder)
    shutil.rmtree(root, ignore_errors=True)
    for index, files in drives.items():
        drive = os.path.join(root, str(index))
        os.makedirs(drive)
        if not files:
            # Git keeps no empty folder.
            open(os.path.join(drive, ".keep"), "wb").close()
        for name, data in files.items():
            with open(os.path.join(drive, name), "wb") as f:
                f.write(data)
