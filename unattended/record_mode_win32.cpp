#include "unattended/record_mode.h"

#include "identify/identify_recorder.h"
#include "unattended/command_line.h"

int RunRecord(const std::string& directory, DeviceIo& devices, std::string& error)
{
    return RecordIdentifyReplies(devices, directory, error) ? 0 : kExitFailed;
}
