#pragma once

#include "identify/identify_reply.h"
#include "platform/device_io.h"

#include <windows.h>

#include <string>
#include <vector>

// The physical drives the identify scan asks: \\.\PhysicalDrive0 to 31;
// and the SCSI ports, \\.\Scsi0: to 15.
constexpr int kPhysicalDriveCount = 32;
constexpr int kScsiPortCount = 16;

// "\\.\PhysicalDrive3", "\\.\Scsi1:": the paths of a physical drive and a SCSI port.
std::string PhysicalDrivePath(int index);
std::string ScsiPortPath(int port);

// Opens physical drive `index` for the identify requests. Returns
// INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenPhysicalDrive(DeviceIo& devices, int index);

// Sends one identify request to an open drive. Returns true, with the data
// of the reply in `reply`, when the request succeeded: the driver answered
// and reported no error, and a pass-through's ATA status shows none either.
// Only read-only IDENTIFY commands are sent. Whether the reply gives a row
// is MakeReplyDrive's to say. `bridgePort` is the port of a JMicron ATA
// bridge the drive sits on (JMicronDrivePort).
bool SendIdentifyRequest(DeviceIo& devices, HANDLE drive, int index, IdentifyRequest request,
                         IdentifyReply& reply, int bridgePort = 0);

// Reads a JMicron ATA bridge's port register (one byte) into `value`.
bool ReadJMicronPortRegister(DeviceIo& devices, HANDLE drive, unsigned char& value);

// Asks an open drive for a storage property (StorageDeviceProperty,
// StorageAdapterProperty) with a standard query. Returns true with the bytes
// the driver returned in `reply`.
bool QueryStorageProperty(DeviceIo& devices, HANDLE drive, DWORD property,
                          std::vector<unsigned char>& reply);

// Where a drive sits: its SCSI port (\\.\ScsiN:) and the path on it; -1 for
// a path the reply did not hold.
struct DriveAddress {
    int port = -1;
    int path = -1;
};

// Asks an open drive for its SCSI address. Returns true with the reply's
// bytes in `reply` and where it sits in `address`.
bool QueryScsiAddress(DeviceIo& devices, HANDLE drive, std::vector<unsigned char>& reply,
                      DriveAddress& address);

// Opens SCSI port `port` for miniport requests. Returns INVALID_HANDLE_VALUE
// when it cannot be opened.
HANDLE OpenScsiPort(DeviceIo& devices, int port);

// Sends one miniport request (CSMI, or Intel's NVMe pass-through): `buffer`
// is the whole request, which the driver fills in place with its reply;
// `returned` tells how much of it.
bool SendMiniportRequest(DeviceIo& devices, HANDLE port, std::vector<unsigned char>& buffer,
                         DWORD& returned);
