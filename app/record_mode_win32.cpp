#include "app/record_mode.h"

#include "app/command_line.h"
#include "identify/identify_recorder.h"

int RunRecord(const std::string& directory, DeviceIo& devices, std::string& error)
{
    return RecordIdentifyReplies(devices, directory, error) ? 0 : kExitFailed;
}
