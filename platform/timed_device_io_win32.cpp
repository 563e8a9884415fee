#include "platform/timed_device_io.h"

#include "platform/escaped_exception.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// A device that a TimedDeviceIo opened. The caller holds it until Close, and a
// request left behind with it holds it until that request returns; the last
// to let go closes the handle, so it is never closed while in use.
struct TimedDevice {
    DeviceIo* devices;
    HANDLE handle;
    std::string path; // as SilenceKey gives it
    LONG holders;
    bool silent; // under the owning TimedDeviceIo's lock
};

namespace {

// Where a request stands. The caller and the request's thread each move it on
// with one compare-and-swap, so exactly one of them decides how it ends.
enum RequestState : LONG { kQueued, kSending, kReturned, kWithdrawn, kAbandoned };

enum class Call { Open, Control, Close };

// One call and copies of its buffers, shared by the caller and the thread that
// sends it; the last of the two to let go frees it.
struct Request {
    Call call;
    DeviceIo* devices;
    std::string path; // what the device's silence is kept under
    std::string openPath;
    DWORD access = 0;
    DWORD share = 0;
    TimedDevice* device = nullptr; // a Control holds it; a Close owns it
    DWORD code = 0;
    bool sameBuffer = false; // some requests read and write one buffer
    std::vector<unsigned char> in;
    std::vector<unsigned char> out;
    HANDLE opened = INVALID_HANDLE_VALUE;
    DWORD returned = 0;
    bool ok = false;
    DWORD error = 0;
    HANDLE begun = nullptr; // set when the thread begins the call
    HANDLE done = nullptr;  // set when the call returned in time
    LONG state = kQueued;
    LONG holders = 2;
};

// A device path of one DeviceIo, which a request left behind keeps silent.
using SilentPath = std::pair<const DeviceIo*, std::string>;

// A request thread: it sends one request after another.
struct Worker {
    HANDLE work; // set when `request` is given
    Request* request;
};

// The process's request threads and the requests left behind. Never
// destroyed: a thread left behind may still use it while the process exits.
struct RequestThreads {
    // Room for every thread that may wait, so that a thread's own bookkeeping
    // never allocates and so never throws.
    RequestThreads()
    {
        InitializeCriticalSection(&lock);
        idle.reserve(kIdleRequestThreads);
    }
    CRITICAL_SECTION lock;
    std::vector<Worker*> idle;
    std::size_t busy = 0; // requests given to a thread that have not returned
    std::vector<SilentPath> abandoned;
};

RequestThreads& g_threads = *new RequestThreads;

class Locked {
public:
    explicit Locked(CRITICAL_SECTION& section) : section(section)
    {
        EnterCriticalSection(&section);
    }
    ~Locked() { LeaveCriticalSection(&section); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& section;
};

// Device paths name the same device in any case.
std::string SilenceKey(const char* path)
{
    std::string key(path);
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

bool IsPathSilent(const DeviceIo* devices, const std::string& path)
{
    Locked locked(g_threads.lock);
    const auto& left = g_threads.abandoned;
    return std::find(left.begin(), left.end(), SilentPath(devices, path)) != left.end();
}

Request* MakeRequest(Call call, DeviceIo& devices, const std::string& path)
{
    auto* request = new Request;
    request->call = call;
    request->devices = &devices;
    request->path = path;
    return request;
}

// A close that throws is taken as done, and the exception noted: nothing
// else could be done with the handle.
void CloseDevice(DeviceIo& devices, HANDLE handle)
{
    try {
        devices.Close(handle);
    } catch (...) {
        NoteCurrentException();
    }
}

// Lets go of one hold on `device`. The last one closes the handle here and
// now: that is on the thread of a request left behind, which nobody waits for.
void LetGoOfDevice(TimedDevice* device)
{
    if (InterlockedDecrement(&device->holders) != 0)
        return;
    CloseDevice(*device->devices, device->handle);
    delete device;
}

// Frees a request; its thread may be the one to do so, and must not block
// here, as it already counts among the threads waiting for work.
void FreeRequest(Request* request)
{
    // A request refused before it reached a thread still holds its device.
    if (request->call == Call::Control && request->device)
        LetGoOfDevice(request->device);
    // Closed by now, or its close was refused and it stays open.
    if (request->call == Call::Close)
        delete request->device;
    if (request->begun)
        CloseHandle(request->begun);
    if (request->done)
        CloseHandle(request->done);
    delete request;
}

void LetGo(Request* request)
{
    if (InterlockedDecrement(&request->holders) == 0)
        FreeRequest(request);
}

LONG StateOf(Request& request)
{
    return InterlockedCompareExchange(&request.state, kQueued, kQueued);
}

void CallDevice(Request& request)
{
    switch (request.call) {
    case Call::Open:
        request.opened =
            request.devices->Open(request.openPath.c_str(), request.access, request.share);
        break;
    case Call::Control: {
        unsigned char* out = request.out.empty() ? nullptr : request.out.data();
        const void* in =
            request.sameBuffer ? out : (request.in.empty() ? nullptr : request.in.data());
        request.ok = request.devices->Control(
            request.device->handle, request.code, in, static_cast<DWORD>(request.in.size()), out,
            static_cast<DWORD>(request.out.size()), &request.returned);
        break;
    }
    case Call::Close:
        request.devices->Close(request.device->handle);
        break;
    }
    request.error = GetLastError();
}

// A call that throws fails, as a device that failed it would, and its thread
// goes on: it still ends the request as its state says, so the caller is
// answered at once, and the thread serves the next request.
void Perform(Request& request)
{
    try {
        CallDevice(request);
    } catch (...) {
        NoteCurrentException();
        request.opened = INVALID_HANDLE_VALUE;
        request.ok = false;
        request.returned = 0;
        request.error = ERROR_INTERNAL_ERROR;
    }
}

// What a request left behind leaves to its thread: the handle it opened, or
// its hold on the device, which may be the last.
void CleanUpAfter(Request& request)
{
    if (request.call == Call::Open && request.opened != INVALID_HANDLE_VALUE)
        CloseDevice(*request.devices, request.opened);
    if (request.call == Call::Control)
        LetGoOfDevice(std::exchange(request.device, nullptr));
}

// The thread is done with `request`: a request left behind no longer keeps
// its path silent, and the thread waits for the next request unless enough
// threads wait already. Returns whether it waits.
bool Release(Worker* worker, const Request& request, bool abandoned)
{
    Locked locked(g_threads.lock);
    auto& left = g_threads.abandoned;
    const auto found =
        abandoned ? std::find(left.begin(), left.end(), SilentPath(request.devices, request.path))
                  : left.end();
    if (found != left.end())
        left.erase(found);
    --g_threads.busy;
    if (g_threads.idle.size() >= kIdleRequestThreads)
        return false;
    g_threads.idle.push_back(worker);
    return true;
}

// Sends the worker's request unless it was withdrawn, and ends it as its state
// says; a close given up before it began is sent all the same. The thread is
// back among the waiting ones before the caller hears of the return, so that
// requests sent one after another all go to one thread. Returns whether the
// thread waits for another request.
bool Serve(Worker* worker)
{
    Request* request = worker->request;
    const LONG was = InterlockedCompareExchange(&request->state, kSending, kQueued);
    const bool sent = was == kQueued || was == kAbandoned;
    bool abandoned = was == kAbandoned;
    if (sent) {
        if (request->begun)
            SetEvent(request->begun);
        Perform(*request);
        abandoned = InterlockedCompareExchange(&request->state, kReturned, kSending) != kSending;
        if (abandoned)
            CleanUpAfter(*request);
    }
    const bool waits = Release(worker, *request, abandoned);
    if (sent && !abandoned)
        SetEvent(request->done);
    LetGo(request);
    return waits;
}

DWORD WINAPI ServeRequests(void* parameter)
{
    auto* worker = static_cast<Worker*>(parameter);
    bool waits = true;
    while (waits) {
        WaitForSingleObject(worker->work, INFINITE);
        waits = Serve(worker);
    }
    CloseHandle(worker->work);
    delete worker;
    return 0;
}

Worker* MakeWorker()
{
    auto* worker = new Worker{CreateEventA(nullptr, FALSE, FALSE, nullptr), nullptr};
    const HANDLE thread = worker->work
                              ? CreateThread(nullptr, kScanThreadStack, ServeRequests, worker,
                                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                              : nullptr;
    if (!thread) {
        if (worker->work)
            CloseHandle(worker->work);
        delete worker;
        return nullptr;
    }
    CloseHandle(thread);
    return worker;
}

// A thread for the next request: one that waits, or a new one. Null when the
// cap is reached or no thread can be made.
Worker* TakeWorker()
{
    {
        Locked locked(g_threads.lock);
        if (g_threads.busy >= kDeviceRequestCap)
            return nullptr;
        ++g_threads.busy;
        if (!g_threads.idle.empty()) {
            Worker* worker = g_threads.idle.back();
            g_threads.idle.pop_back();
            return worker;
        }
    }
    Worker* worker = MakeWorker();
    if (!worker) {
        Locked locked(g_threads.lock);
        --g_threads.busy;
    }
    return worker;
}

// Leaves the request to its thread unless it returned first. Its path is
// noted under the lock, so that the thread, which removes the note when the
// call returns, never looks before it is there.
bool AbandonUnlessReturned(Request& request)
{
    for (;;) {
        const LONG state = StateOf(request);
        if (state == kReturned)
            return false;
        Locked locked(g_threads.lock);
        if (InterlockedCompareExchange(&request.state, kAbandoned, state) == state) {
            g_threads.abandoned.emplace_back(request.devices, request.path);
            return true;
        }
    }
}

enum class Outcome { Returned, Refused, Abandoned };

// The deadline is timed from when the thread begins the call, not from when
// it was handed over: a new thread first runs the libraries' thread
// notifications under the loader lock, which the window's thread may hold for
// a while (loading a library), and a drive that answers in time must not be
// taken for silent because of that. The wait for the thread to begin is
// bounded by the deadline as well: a loader lock held that long means the
// process is stuck elsewhere, and as the request was not sent, withdrawing it
// costs the device nothing and marks nothing silent. A thread that was waiting
// for work, unlike a new one, begins at once.
Outcome AwaitRequest(Request& request, DWORD deadlineMs)
{
    if (WaitForSingleObject(request.begun, deadlineMs) != WAIT_OBJECT_0 &&
        InterlockedCompareExchange(&request.state, kWithdrawn, kQueued) == kQueued)
        return Outcome::Refused;
    if (WaitForSingleObject(request.done, deadlineMs) != WAIT_OBJECT_0 &&
        AbandonUnlessReturned(request))
        return Outcome::Abandoned;
    return Outcome::Returned;
}

// A close has no reply to lose by being left to its thread, which closes the
// handle when it gets to it; so one deadline covers the thread's start too.
Outcome AwaitClose(Request& request, DWORD deadlineMs)
{
    if (WaitForSingleObject(request.done, deadlineMs) != WAIT_OBJECT_0 &&
        AbandonUnlessReturned(request))
        return Outcome::Abandoned;
    return Outcome::Returned;
}

// Gives `request` to a request thread and waits for it. Unless it returned,
// the caller has let go of it and the last error says why.
Outcome Send(Request* request, DWORD deadlineMs)
{
    const bool close = request->call == Call::Close;
    request->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    request->begun = close ? nullptr : CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Worker* worker = request->done && (close || request->begun) ? TakeWorker() : nullptr;
    if (!worker) {
        FreeRequest(request);
        SetLastError(ERROR_TOO_MANY_TCBS);
        return Outcome::Refused;
    }
    worker->request = request;
    SetEvent(worker->work);
    const Outcome outcome =
        close ? AwaitClose(*request, deadlineMs) : AwaitRequest(*request, deadlineMs);
    if (outcome == Outcome::Returned)
        return outcome;
    // Withdrawn, its thread never touches the device: its hold goes now.
    if (outcome == Outcome::Refused && request->call == Call::Control)
        LetGoOfDevice(std::exchange(request->device, nullptr));
    LetGo(request);
    SetLastError(outcome == Outcome::Refused ? ERROR_TOO_MANY_TCBS : ERROR_TIMEOUT);
    return outcome;
}

Request* MakeControlRequest(TimedDevice& device, DWORD code, const void* in, DWORD inSize,
                            void* out, DWORD outSize)
{
    Request* request = MakeRequest(Call::Control, *device.devices, device.path);
    request->device = &device;
    request->code = code;
    request->sameBuffer = in == out && in != nullptr;
    const auto* bytes = static_cast<const unsigned char*>(in);
    if (in)
        request->in.assign(bytes, bytes + inSize);
    request->out.resize(request->sameBuffer ? std::max(inSize, outSize) : outSize);
    if (request->sameBuffer)
        std::memcpy(request->out.data(), in, inSize);
    else if (out && outSize)
        std::memcpy(request->out.data(), out, outSize);
    return request;
}

} // namespace

TimedDeviceIo::TimedDeviceIo(DeviceIo& devices, DWORD deadlineMs)
    : devices(devices), deadlineMs(deadlineMs)
{
    InitializeCriticalSection(&lock);
}

// A device never closed stays open; the requests left behind use nothing of
// this object.
TimedDeviceIo::~TimedDeviceIo()
{
    DeleteCriticalSection(&lock);
}

HANDLE TimedDeviceIo::Open(const char* path, DWORD access, DWORD share)
{
    const std::string key = SilenceKey(path);
    if (IsPathSilent(&devices, key)) {
        SetLastError(ERROR_TIMEOUT);
        return INVALID_HANDLE_VALUE;
    }
    Request* request = MakeRequest(Call::Open, devices, key);
    request->openPath = path;
    request->access = access;
    request->share = share;
    if (Send(request, deadlineMs) != Outcome::Returned)
        return INVALID_HANDLE_VALUE;
    const HANDLE handle = request->opened;
    const DWORD error = request->error;
    LetGo(request);
    if (handle != INVALID_HANDLE_VALUE) {
        Locked locked(lock);
        opened.push_back(new TimedDevice{&devices, handle, key, 1, false});
    }
    SetLastError(error);
    return handle;
}

bool TimedDeviceIo::Control(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out,
                            DWORD outSize, DWORD* returned)
{
    if (returned)
        *returned = 0;
    TimedDevice* device = nullptr;
    DWORD refusal = ERROR_INVALID_HANDLE;
    {
        Locked locked(lock);
        device = Find(handle);
        if (device && !device->silent && IsPathSilent(&devices, device->path))
            device->silent = true;
        if (device && device->silent) {
            refusal = ERROR_TIMEOUT;
            device = nullptr;
        }
        // The request's own hold: were it left behind, the handle stays open for it.
        if (device)
            InterlockedIncrement(&device->holders);
    }
    if (!device) {
        SetLastError(refusal);
        return false;
    }
    Request* request = MakeControlRequest(*device, code, in, inSize, out, outSize);
    const Outcome outcome = Send(request, deadlineMs);
    if (outcome == Outcome::Abandoned) {
        Locked locked(lock);
        device->silent = true;
    }
    if (outcome != Outcome::Returned) {
        SetLastError(outcome == Outcome::Refused ? ERROR_TOO_MANY_TCBS : ERROR_TIMEOUT);
        return false;
    }
    if (out && outSize)
        std::memcpy(out, request->out.data(), outSize);
    if (returned)
        *returned = request->returned;
    const bool ok = request->ok;
    const DWORD error = request->error;
    // The request's hold goes with its return, not when its thread lets go
    // of it, so that a Close right after it closes the handle itself.
    LetGoOfDevice(std::exchange(request->device, nullptr));
    LetGo(request);
    SetLastError(error);
    return ok;
}

void TimedDeviceIo::Close(HANDLE handle)
{
    TimedDevice* device = nullptr;
    {
        Locked locked(lock);
        const auto found = std::find_if(opened.begin(), opened.end(),
                                        [&](TimedDevice* d) { return d->handle == handle; });
        if (found == opened.end())
            return;
        device = *found;
        opened.erase(found);
    }
    // A request left behind still holds it, and closes it when it returns.
    if (InterlockedDecrement(&device->holders) != 0)
        return;
    Request* request = MakeRequest(Call::Close, devices, device->path);
    request->device = device;
    if (Send(request, deadlineMs) == Outcome::Returned)
        LetGo(request);
}

bool TimedDeviceIo::IsSilent(HANDLE handle) const
{
    Locked locked(lock);
    const TimedDevice* device = Find(handle);
    return device && device->silent;
}

TimedDevice* TimedDeviceIo::Find(HANDLE handle) const
{
    for (TimedDevice* device : opened)
        if (device->handle == handle)
            return device;
    return nullptr;
}

std::size_t AbandonedDeviceRequests()
{
    Locked locked(g_threads.lock);
    return g_threads.abandoned.size();
}
