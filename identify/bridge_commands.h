#pragma once

#include "identify/usb_bridge.h"

#include <cstddef>
#include <vector>

// The vendor SCSI commands that read a drive's identity through a USB bridge
// that lacks the SCSI/ATA translation: IDENTIFY DEVICE (512 bytes) for the
// SATA bridges, NVMe Identify Controller (CNS 01h, 4096 bytes) for the NVMe
// bridges. All of them only read; none touches the drive's media.

constexpr std::size_t kBridgeAtaIdentifySize = 512;
constexpr std::size_t kBridgeNvmeIdentifySize = 4096;

// One SCSI command for the bridge.
struct BridgeCommand {
    unsigned char cdb[16] = {};
    std::size_t cdbLength = 0;
    bool dataIn = true;                 // false: the command sends `dataOut` to the bridge
    std::vector<unsigned char> dataOut; // the bytes a data-out command sends
    std::size_t dataInLength = 0;       // the bytes a data-in command reads
    bool holdsIdentity = false;         // its data is the drive's identity
    bool holdsCompletion = false;       // its data says how the drive ended the command
};

// The commands, in the order they are sent; each must succeed
// (BridgeCommandSucceeded) before the next is sent. The identity is the data
// of the command that holds it, and counts only when all of its
// dataInLength bytes came back and, where a command holds the completion,
// BridgeCompletionSucceeded accepts that command's data. No commands for
// BridgeProtocol::None. `port` is a JMicron ATA bridge's port (0 or 1, as
// JMicronDrivePort tells it); the other bridges have one.
std::vector<BridgeCommand> BridgeIdentifyCommands(BridgeProtocol protocol, int port = 0);

// JMicron's ATA bridges may have two ports, and IDENTIFY sent to a port with
// no drive can drop the drive: the bridge's port register (72 0Fh, one byte)
// is read first. Bit 04h says port 0 holds a drive, bit 40h port 1.
constexpr unsigned kJMicronPortRegister = 0x720F;
constexpr unsigned char kJMicronPort0Drive = 0x04;
constexpr unsigned char kJMicronPort1Drive = 0x40;

// The command that reads the port register: one byte in.
BridgeCommand JMicronPortRegisterRead();

// The port of the bridge's one drive, 0 or 1; -1 when both ports or neither
// hold a drive (a physical drive cannot tell which of two is its own).
int JMicronDrivePort(unsigned char portRegister);

// Whether one command's SCSI status and the first `senseSize` bytes of its
// sense data show that it ended well: GOOD, or CHECK CONDITION whose sense
// key says nothing went wrong (no sense, recovered error, completed). The
// Cypress bridge reports a failed command with any CHECK CONDITION.
bool BridgeCommandSucceeded(BridgeProtocol protocol, unsigned char scsiStatus,
                            const unsigned char* sense, std::size_t senseSize);

// Whether the data of a command that holds the completion (its first `size`
// bytes) shows that the drive ended the identify without error.
bool BridgeCompletionSucceeded(BridgeProtocol protocol, const unsigned char* data,
                               std::size_t size);
