#pragma once

#include "identify/identify_reply.h"
#include "platform/device_io.h"

#include <windows.h>

#include <vector>

// The physical drives the identify scan asks: \\.\PhysicalDrive0 to 31;
// and the SCSI ports, \\.\Scsi0: to 15.
constexpr int kPhysicalDriveCount = 32;
constexpr int kScsiPortCount = 16;

// Opens physical drive `index` for the identify requests. Returns
// INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenPhysicalDrive(DeviceIo& devices, int index);

// Sends one identify request to an open drive. Returns true, with the data
// of the reply in `reply`, when the request succeeded: the driver answered
// and reported no error, and a pass-through's ATA status shows none either.
// Only read-only IDENTIFY commands are sent. Whether the reply gives a row
// is MakeReplyDrive's to say.
bool SendIdentifyRequest(DeviceIo& devices, HANDLE drive, int index, IdentifyRequest request,
                         IdentifyReply& reply);

// Asks an open drive for a storage property (StorageDeviceProperty,
// StorageAdapterProperty) with a standard query. Returns true with the bytes
// the driver returned in `reply`.
bool QueryStorageProperty(DeviceIo& devices, HANDLE drive, DWORD property,
                          std::vector<unsigned char>& reply);

// Asks an open drive for its SCSI address. Returns true with the reply's
// bytes in `reply` and the number of the SCSI port it sits on in `port`.
bool QueryScsiAddress(DeviceIo& devices, HANDLE drive, std::vector<unsigned char>& reply,
                      int& port);

// Opens SCSI port `port` for CSMI requests. Returns INVALID_HANDLE_VALUE when
// it cannot be opened.
HANDLE OpenScsiPort(DeviceIo& devices, int port);

// Sends one CSMI request: `buffer` is the whole request, which the driver
// fills in place with its reply; `returned` tells how much of it.
bool SendCsmiRequest(DeviceIo& devices, HANDLE port, std::vector<unsigned char>& buffer,
                     DWORD& returned);
