#include "platform/timed_device_io.h"

#include <algorithm>
#include <cstring>

namespace {

// One request and copies of its buffers, shared by the caller and the thread
// that sends it; the last of the two to let go frees it.
struct Request {
    DeviceIo* devices;
    HANDLE device;
    DWORD code;
    bool sameBuffer; // some requests read and write one buffer
    std::vector<unsigned char> in;
    std::vector<unsigned char> out;
    DWORD returned = 0;
    bool ok = false;
    DWORD error = 0;
    LONG holders = 2;
    LONG abandoned = 0;
};

void LetGo(Request* request)
{
    if (InterlockedDecrement(&request->holders) != 0)
        return;
    // The caller gave the device up with the request; nothing else uses it now.
    if (request->abandoned)
        request->devices->Close(request->device);
    delete request;
}

void Send(Request& request)
{
    unsigned char* out = request.out.empty() ? nullptr : request.out.data();
    const void* in = request.sameBuffer ? out : (request.in.empty() ? nullptr : request.in.data());
    request.ok = request.devices->Control(
        request.device, request.code, in, static_cast<DWORD>(request.in.size()), out,
        static_cast<DWORD>(request.out.size()), &request.returned);
    request.error = GetLastError();
}

DWORD WINAPI SendOnItsThread(void* parameter)
{
    auto* request = static_cast<Request*>(parameter);
    Send(*request);
    LetGo(request);
    return 0;
}

Request* MakeRequest(DeviceIo& devices, HANDLE device, DWORD code, const void* in, DWORD inSize,
                     void* out, DWORD outSize)
{
    auto* request = new Request{&devices, device, code, in == out && in != nullptr, {}, {}};
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

HANDLE TimedDeviceIo::Open(const char* path, DWORD access, DWORD share)
{
    return devices.Open(path, access, share);
}

bool TimedDeviceIo::Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                            DWORD outSize, DWORD* returned)
{
    if (returned)
        *returned = 0;
    if (IsSilent(device)) {
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    Request* request = MakeRequest(devices, device, code, in, inSize, out, outSize);
    const HANDLE thread = CreateThread(nullptr, kScanThreadStack, SendOnItsThread, request,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) {
        // Without a thread of its own the request can only be waited for.
        Send(*request);
        --request->holders;
    } else if (WaitForSingleObject(thread, deadlineMs) != WAIT_OBJECT_0) {
        CloseHandle(thread);
        silent.push_back(device);
        InterlockedExchange(&request->abandoned, 1);
        LetGo(request);
        SetLastError(ERROR_TIMEOUT);
        return false;
    } else {
        CloseHandle(thread);
    }
    if (out && outSize)
        std::memcpy(out, request->out.data(), outSize);
    if (returned)
        *returned = request->returned;
    const bool ok = request->ok;
    const DWORD error = request->error;
    LetGo(request);
    SetLastError(error);
    return ok;
}

void TimedDeviceIo::Close(HANDLE device)
{
    const auto found = std::find(silent.begin(), silent.end(), device);
    if (found == silent.end()) {
        devices.Close(device);
        return;
    }
    // The abandoned request closes it when it returns.
    silent.erase(found);
}

bool TimedDeviceIo::IsSilent(HANDLE device) const
{
    return std::find(silent.begin(), silent.end(), device) != silent.end();
}
