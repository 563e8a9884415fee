#pragma once

#include "identify/identify_reply.h"
#include "platform/device_io.h"

#include <windows.h>

// The physical drives the identify scan asks: \\.\PhysicalDrive0 to 31.
constexpr int kPhysicalDriveCount = 32;

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
