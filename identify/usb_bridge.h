#pragma once

#include <cstdint>
#include <string>

// A USB device as its hardware id names it.
struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    int revision = -1; // bcdDevice from REV_xxxx (hex), -1 when absent
};

// Reads a USB hardware id such as "USB\VID_152D&PID_0578&REV_0508", in any
// case: four hex digits each for the vendor, the product and the optional
// revision, and an optional interface ("&MI_00") at the end. Returns false,
// leaving `id` alone, for any other text.
bool ParseUsbHardwareId(const std::string& text, UsbId& id);

// The pass-through a USB bridge understands besides the SCSI/ATA
// translation: the vendor commands that read the identity of the drive
// behind it. None: the bridge gets only the translation.
enum class BridgeProtocol {
    None,
    JMicronAta,
    CypressAta,
    SunplusAta,
    ProlificAta,
    JMicronNvme,
    AsmediaNvme,
    RealtekNvme
};

// The protocol of a bridge the program knows by its id. An unknown bridge, a
// known one whose revision is missing or not the one named, and an id named
// for two protocols that nothing tells apart all give None: a vendor command
// sent to the wrong bridge can do harm.
BridgeProtocol BridgeProtocolFor(const UsbId& id);

// Whether the bridge carries an NVMe drive (Identify Controller) rather than
// a SATA drive (IDENTIFY DEVICE).
bool IsNvmeBridge(BridgeProtocol protocol);

// Whether every drive behind the bridge with this id is an NVMe drive: the table names it for an
// NVMe protocol and its chip takes no SATA drive. False for any id the table is not sure of.
bool HoldsOnlyNvmeDrives(const UsbId& id);
