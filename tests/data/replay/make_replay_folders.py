#!/usr/bin/env python3
"""Makes the recorded-reply folders of the identify replay tests from the
identify sectors in ../identify and from NVMe Identify Controller pages made
here. Run from anywhere; it rewrites the folders beside it (see README.md)."""

import glob
import os
import shutil
import struct

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


def ata_text(sector_bytes, first_word, words, text):
    """A sector with `text`, blank-padded, in the field of `words` words from
    `first_word`: two characters a word, the first in the high byte."""
    data = bytearray(sector_bytes)
    padded = text.encode("ascii").ljust(2 * words, b" ")
    for i in range(0, 2 * words, 2):
        data[2 * first_word + i] = padded[i + 1]
        data[2 * first_word + i + 1] = padded[i]
    return bytes(data)


# 02.bin as an affected model with firmware that is not fixed.
AFFECTED_SECTOR = ata_text(ata_text(sector("02.bin"), 27, 20, "ZQ3104220AS"), 23, 4, "KC11")

# Bus numbers as Windows gives them.
BUS_SCSI, BUS_USB, BUS_RAID, BUS_SATA = 1, 7, 8, 11

# A sector whose model, serial and firmware are all blank: no identity.
BLANK_SECTOR = ata_text(ata_text(ata_text(sector("02.bin"), 27, 20, ""), 10, 10, ""), 23, 4, "")


def device_descriptor(bus, vendor="", product="", revision="", removable=False):
    """A storage device descriptor: the 40-byte header, then its texts."""
    head = bytearray(40)
    texts = b""
    offsets = []
    for text in (vendor, product, revision):
        offsets.append(40 + len(texts))
        texts += text.encode("ascii") + b"\0"
    struct.pack_into("<II", head, 0, 40, 40 + len(texts))
    head[10] = 1 if removable else 0
    struct.pack_into("<IIIIII", head, 12, offsets[0], offsets[1], offsets[2], 0, bus, 0)
    return bytes(head) + texts


def adapter_descriptor(bus):
    """A storage adapter descriptor: its bus at byte 24."""
    head = bytearray(32)
    struct.pack_into("<II", head, 0, 32, 32)
    head[24] = bus
    return bytes(head)


def usb_drive(usb_id, product="USB Disk", removable=False):
    """What a drive in a USB enclosure tells of itself."""
    files = {"device-property.bin": device_descriptor(BUS_USB, "Generic", product, "0100",
                                                      removable),
             "adapter-property.bin": adapter_descriptor(BUS_USB)}
    if usb_id:
        files["usb-id.txt"] = usb_id.encode("ascii")
    return files


def scsi_address(port, path=0):
    """A SCSI_ADDRESS: length, port, path, target, LUN."""
    return bytes([8, 0, 0, 0, port, path, 0, 0])


def csmi_driver_info(name):
    """CSMI_SAS_DRIVER_INFO: the name and description, 81 bytes each, and
    six 16-bit revisions."""
    info = bytearray(174)
    info[0:len(name)] = name.encode("ascii")
    description = b"RAID driver"
    info[81:81 + len(description)] = description
    return bytes(info)


def csmi_phy_info(attached):
    """CSMI_SAS_PHY_INFO with four phys of the controller: entry i holds a
    SATA drive with SAS address 5000...0i when i is in `attached`. Each
    64-byte entry: the controller phy's identify (28 bytes: device type at 0,
    phy identifier at 20), the port identifier at 28, and the attached
    device's identify at 36 (device type at 36, target protocol at 39, SAS
    address at 48)."""
    info = bytearray(2052)
    info[0] = 4
    for i in range(4):
        entry = 4 + 64 * i
        info[entry + 0] = 0x10        # the controller's phy: an end device
        info[entry + 20] = i          # its phy identifier
        info[entry + 28] = i          # its port identifier
        if i in attached:
            info[entry + 36] = 0x10   # something attached
            info[entry + 39] = 0x01   # that speaks SATA
            info[entry + 48:entry + 56] = bytes([0x50, 0, 0, 0, 0, 0, 0, i])
    return bytes(info)

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
    # Four drives silent at each of the standard requests, among answering
    # ones: asked side by side, they cost the scan one deadline.
    "silent-four": {
        0: {"smart.bin": sector("02.bin")},
        1: {"smart.hang": b""},
        2: {"sat16.hang": b""},
        3: {"sat16.bin": sector("06.bin")},
        4: {"sat16.bin": ZERO_SECTOR, "sat12.hang": b""},
        5: {"nvme.hang": b""},
        6: {"smart.bin": sector("30.bin")},
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

# Drives behind USB bridges that lack the translation, one per bridge
# protocol: each refuses the standard requests and answers its bridge's own.
FOLDERS["usb-bridge-protocols"] = {
    0: {**usb_drive("USB\\VID_152D&PID_2339&REV_0100"), "jmicron-port.bin": b"\x04",
        "jmicron-ata.bin": sector("02.bin")},
    1: {**usb_drive("USB\\VID_04B4&PID_6830&REV_0240"), "cypress-ata.bin": sector("03.bin")},
    2: {**usb_drive("USB\\VID_04FC&PID_0C25&REV_0103"), "sunplus-ata.bin": sector("06.bin")},
    3: {**usb_drive("USB\\VID_067B&PID_2773&REV_0100"), "prolific-ata.bin": sector("33.bin")},
    4: {**usb_drive("USB\\VID_152D&PID_0583&REV_3112"),
        "jmicron-nvme.bin": nvme_page("JM0NV0R000004", "CORVANE NV3 1TB", "3B4QGXA7")},
    5: {**usb_drive("USB\\VID_174C&PID_2362&REV_0100"),
        "asmedia-nvme.bin": nvme_page("AS0NV0R000005", "CORVANE NV3 2TB", "3B4QGXA7")},
    6: {**usb_drive("USB\\VID_0BDA&PID_9210&REV_2001"),
        "realtek-nvme.bin": nvme_page("RT0NV0R000006", "CORVANE NV3 4TB", "3B4QGXA7")},
    # A drive that does not say what it is: the device tree still names its bridge.
    7: {"usb-id.txt": b"USB\\VID_152D&PID_2338&REV_0100", "jmicron-port.bin": b"\x04",
        "jmicron-ata.bin": sector("09.bin")},
}

# Bridges that must get no vendor command, or refuse it: each drive has the
# reply a vendor command would get, so a command sent shows as a row.
FOLDERS["usb-bridges-unsafe"] = {
    # An id no table names.
    0: {**usb_drive("USB\\VID_1234&PID_5678&REV_0100"), "jmicron-ata.bin": sector("02.bin")},
    # Named for an NVMe and for a SATA bridge, nothing to tell them apart.
    1: {**usb_drive("USB\\VID_0BDA&PID_9211&REV_0100"),
        "realtek-nvme.bin": nvme_page("RT0NV0R000101", "CORVANE NV3 1TB", "3B4QGXA7")},
    # A known bridge that refuses its command.
    2: usb_drive("USB\\VID_152D&PID_2339&REV_0100"),
    # A known id at the revision the table says is a chip that takes none.
    3: {**usb_drive("USB\\VID_04B4&PID_6830&REV_0001"), "cypress-ata.bin": sector("03.bin")},
    # No id: the device tree could not tell the bridge.
    4: {**usb_drive(""), "jmicron-ata.bin": sector("06.bin")},
    # A memory stick that answers nothing: removable media, never an ATA drive.
    5: usb_drive("USB\\VID_1234&PID_0001&REV_0100", "Flash", True),
}

# Intel's RAID driver on port 2: a RAID volume of two members, and a disk
# passed through that answers as a physical drive too.
FOLDERS["raid-csmi"] = {
    0: {"device-property.bin": device_descriptor(BUS_RAID, "Intel", "Raid 0 Volume", "1.0.0"),
        "adapter-property.bin": adapter_descriptor(BUS_RAID),
        "scsi-address.bin": scsi_address(2)},
    1: {"device-property.bin": device_descriptor(BUS_SATA, "", "MCCOE64GEMPP", "2.9.09"),
        "adapter-property.bin": adapter_descriptor(BUS_RAID),
        "smart.bin": sector("30.bin")},
    "scsi2": {"driver.txt": b"iaStorA", "csmi-driver.bin": csmi_driver_info("iaStorA"),
              "csmi-phys.bin": csmi_phy_info({0, 1, 3}),
              "phy0.bin": sector("09.bin"), "phy1.bin": sector("31.bin"),
              "phy3.bin": sector("30.bin")},
}

# AMD's RAID driver on port 3 is never asked, though it would answer: its
# volume's members stay unread.
FOLDERS["raid-unsafe"] = {
    0: {"device-property.bin": device_descriptor(BUS_RAID, "AMD", "RAID0", "1.0"),
        "adapter-property.bin": adapter_descriptor(BUS_RAID),
        "scsi-address.bin": scsi_address(3)},
    1: {"smart.bin": sector("02.bin")},
    "scsi3": {"driver.txt": b"rcraid", "csmi-driver.bin": csmi_driver_info("rcraid"),
              "csmi-phys.bin": csmi_phy_info({0}), "phy0.bin": sector("09.bin")},
}

# A JMicron bridge's port register, each way it can read: a drive on port 0,
# on port 1 (other bits set too), on both, on neither. Only the port named
# alone is asked, and answers.
FOLDERS["jmicron-ports"] = {
    i: {**usb_drive("USB\\VID_152D&PID_2339&REV_0100"), "jmicron-port.bin": bytes([register]),
        "jmicron-ata.bin": sector(name)}
    for i, (register, name) in enumerate([(0x04, "02.bin"), (0x7B, "03.bin"), (0x44, "06.bin"),
                                          (0x00, "33.bin")])
}

# Bridges that take SATA drives beside NVMe ones, or are SATA adapters at
# some revisions: a SATA drive behind them that gives no identity counts.
FOLDERS["usb-dual-bridges"] = {
    # RTL9220, silent at the translation.
    0: {**usb_drive("USB\\VID_0BDA&PID_9220&REV_2001"), "sat16.hang": b""},
    # ASM2362, NVMe alone: a drive it cannot read is no ATA drive.
    1: usb_drive("USB\\VID_174C&PID_2362&REV_0100"),
    # JMS583 at a revision the drive database names a SATA adapter: no vendor command.
    2: {**usb_drive("USB\\VID_152D&PID_0583&REV_0414"),
        "jmicron-nvme.bin": nvme_page("JM0NV0R000102", "CORVANE NV3 1TB", "3B4QGXA7")},
}


def rst_nvme_drive(port, path, vendor="NVMe", product="CORVANE NV2 1TB"):
    """What Intel's RAID driver tells of a drive on its port."""
    return {"device-property.bin": device_descriptor(BUS_RAID, vendor, product, "1.0"),
            "adapter-property.bin": adapter_descriptor(BUS_RAID),
            "scsi-address.bin": scsi_address(port, path)}


# Intel's RAID driver on port 0 (no SATA drive on it) and another driver on
# port 1: an NVMe drive read through Intel's pass-through; one whose
# pass-through fails, which its facts still say is NVMe; one that nothing
# says is NVMe; one on the other driver's port, never sent the pass-through.
FOLDERS["rst-nvme"] = {
    0: {**rst_nvme_drive(0, 1),
        "rst-nvme.bin": nvme_page("RS0NV0R000001", "CORVANE NV2 1TB", "2B2QEXM7")},
    1: rst_nvme_drive(0, 2),
    2: rst_nvme_drive(0, 3, "", "Raid 1 Volume"),
    3: {**rst_nvme_drive(1, 0, "", "SSD"),
        "rst-nvme.bin": nvme_page("RS0NV0R000004", "CORVANE NV2 2TB", "2B2QEXM7")},
    "scsi0": {"driver.txt": b"iaStorAC", "csmi-driver.bin": csmi_driver_info("iaStorAC"),
              "csmi-phys.bin": csmi_phy_info(set())},
    "scsi1": {"driver.txt": b"storahci"},
}


def raid_volume(port):
    return {"device-property.bin": device_descriptor(BUS_RAID, "Intel", "Raid 0 Volume", "1.0.0"),
            "adapter-property.bin": adapter_descriptor(BUS_RAID),
            "scsi-address.bin": scsi_address(port)}


# RAID volumes whose members were not read: a phy table that lists no
# drive, one the driver returned as it was sent (all zero), a port that
# refuses CSMI, and one whose member refuses IDENTIFY.
FOLDERS["raid-uncovered"] = {
    0: raid_volume(2),
    1: raid_volume(3),
    2: raid_volume(4),
    3: raid_volume(5),
    "scsi2": {"driver.txt": b"iaStorA", "csmi-driver.bin": csmi_driver_info("iaStorA"),
              "csmi-phys.bin": csmi_phy_info(set())},
    "scsi3": {"driver.txt": b"iaStorA", "csmi-driver.bin": csmi_driver_info("iaStorA"),
              "csmi-phys.bin": bytes(2052)},
    "scsi4": {"driver.txt": b"iaStorA"},
    "scsi5": {"driver.txt": b"iaStorA", "csmi-driver.bin": csmi_driver_info("iaStorA"),
              "csmi-phys.bin": csmi_phy_info({0, 1}), "phy0.bin": sector("09.bin")},
}

# Answers that hold no identity: a SMART reply of its header alone (then a
# pass-through that reads the drive), of its header alone only, of an
# all-zero sector, of blank texts; and a drive whose open fails with "not
# found" while its name stays.
FOLDERS["empty-answers"] = {
    0: {"smart.bin": b"", "sat16.bin": sector("02.bin")},
    1: {"smart.bin": b""},
    2: {"smart.bin": ZERO_SECTOR},
    3: {"smart.bin": BLANK_SECTOR},
    4: {"open.error": b"2"},
}

# Past the drives and ports the scan asks: drive 40, which would answer
# SMART; a memory stick at 33; Intel's RAID driver on port 20.
FOLDERS["past-the-scan"] = {
    0: {"smart.bin": sector("02.bin")},
    33: usb_drive("USB\\VID_1234&PID_0001&REV_0100", "Flash", True),
    40: {"device-property.bin": device_descriptor(BUS_SATA, "", "ST1000DM010", "CC43"),
         "adapter-property.bin": adapter_descriptor(BUS_SATA), "smart.bin": sector("03.bin")},
    "scsi20": {"driver.txt": b"iaStorA", "csmi-driver.bin": csmi_driver_info("iaStorA"),
               "csmi-phys.bin": csmi_phy_info({0}), "phy0.bin": sector("09.bin")},
}

# A drive that cannot be opened, beside one that needs a firmware update.
FOLDERS["locked-drive"] = {
    0: {"smart.bin": AFFECTED_SECTOR},
    1: {"open.error": b"5"},
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
