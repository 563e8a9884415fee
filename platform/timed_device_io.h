#pragma once

#include "platform/device_io.h"

#include <windows.h>

#include <cstddef>
#include <vector>

// How long any device request may take. A drive or bridge that has not
// answered by then is taken to be silent.
constexpr DWORD kDeviceDeadlineMs = 4000;

// The stack the scans' threads reserve: a request and its copies live on the
// heap, and the default megabyte would only grow the working set.
constexpr SIZE_T kScanThreadStack = 64 * 1024;

// At most this many device requests are under way or left behind at once in
// the process; past it, new requests are refused. Why this number: see
// docs/architecture.md, "A drive that never answers".
constexpr std::size_t kDeviceRequestCap = 128;

// Request threads kept waiting for the next request once theirs returned.
constexpr std::size_t kIdleRequestThreads = 4;

struct TimedDevice; // a device TimedDeviceIo opened (timed_device_io_win32.cpp)

// Device requests with a deadline, over `devices`, safe to use from several
// threads at once. Every call (Open, Control, Close) runs on a request thread.
// Open and Control are waited for at most the deadline, timed from when that
// thread begins the call, so a drive that answers in time is never taken for
// silent because the thread was slow to start; a thread that has not begun
// within the deadline is not waited for any longer, and the request is
// withdrawn unsent. Either waits at most twice the deadline.
//
// - Open or Control that misses the deadline fails with ERROR_TIMEOUT. Its
//   thread is left behind with copies of the buffers (Windows XP cannot cancel
//   another thread's synchronous I/O) until the call returns, or the process
//   ends. While it is outstanding its device path is silent for the whole
//   process: an Open of that path, through any TimedDeviceIo over the same
//   `devices`, fails at once with ERROR_TIMEOUT, and so does any request to a
//   handle of it. Once it returns, the path may be opened again.
// - IsSilent(handle) tells whether a request to that handle missed its
//   deadline or was refused as silent.
// - A call that cannot be handed to a thread (none can be made, or none began
//   it in time) or that would pass kDeviceRequestCap is refused at once with
//   ERROR_TOO_MANY_TCBS. It is never sent without a deadline.
// - Close waits at most the deadline, its thread's start included. A handle
//   whose request or close was abandoned is closed by that request's thread
//   when the call returns, never while in use; a close that is refused leaves
//   the handle open.
// - A handle must come from this object's Open; another fails with
//   ERROR_INVALID_HANDLE.
// - A call that throws fails with ERROR_INTERNAL_ERROR, as one the
//   device failed, and the exception is noted (NoteCurrentException); its
//   thread serves the next call. A close that throws counts as done.
// `devices` must outlive every request left behind: keep it for the process.
class TimedDeviceIo final : public DeviceIo {
public:
    TimedDeviceIo(DeviceIo& devices, DWORD deadlineMs);
    ~TimedDeviceIo() override;
    TimedDeviceIo(const TimedDeviceIo&) = delete;
    TimedDeviceIo& operator=(const TimedDeviceIo&) = delete;

    HANDLE Open(const char* path, DWORD access, DWORD share) override;
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override;
    void Close(HANDLE device) override;
    bool Exists(const char* path) override { return devices.Exists(path); }
    std::vector<std::string> DeviceNames() override { return devices.DeviceNames(); }
    std::unique_ptr<StorageTopology> ReadTopology(DeviceIo& opener) override
    {
        return devices.ReadTopology(opener);
    }

    // Whether a request to `device` missed its deadline, or was refused
    // because its path is silent.
    bool IsSilent(HANDLE device) const;

private:
    // The open device of `handle`, or null; under `lock`.
    TimedDevice* Find(HANDLE handle) const;

    DeviceIo& devices;
    DWORD deadlineMs;
    mutable CRITICAL_SECTION lock; // guards `opened` and each device's silence
    std::vector<TimedDevice*> opened;
};

// The device requests of the whole process that missed their deadline and
// have not returned yet.
std::size_t AbandonedDeviceRequests();
