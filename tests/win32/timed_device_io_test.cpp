// Device requests with a deadline: calls that never return, the silence that
// follows them across the process, calls that throw, several threads through
// one object, the cap on requests left behind, and the deadline timed from the
// call's start.
// In a program of its own: the silences and the cap are the whole process's.

#include "platform/escaped_exception.h"
#include "platform/timed_device_io.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kDeadlineMs = 300;

// Devices at any path. A call named after "\\.\Hang" in the path (Open in
// "\\.\HangOpen2") waits until `gate` is set; one named after "\\.\Throw"
// throws. A request takes `slowMs`, and answers its input byte plus one.
class GatedDevices final : public DeviceIo {
public:
    HANDLE Open(const char* path, DWORD, DWORD) override
    {
        Call("Open", path);
        return new std::string(path);
    }

    bool Control(HANDLE device, DWORD, const void* in, DWORD, void* out, DWORD,
                 DWORD* returned) override
    {
        const std::string& path = *static_cast<std::string*>(device);
        Sleep(slowMs);
        Call("Control", path);
        *static_cast<unsigned char*>(out) = *static_cast<const unsigned char*>(in) + 1;
        *returned = 1;
        return true;
    }

    // Not freed: a handle closed twice, or used once closed, must be counted.
    void Close(HANDLE device) override { Call("Close", *static_cast<std::string*>(device)); }

    // How many of the calls named `call` at `path` have returned.
    int Returned(const std::string& call, const std::string& path)
    {
        std::lock_guard<std::mutex> locked(lock);
        return returns[call + " " + path];
    }

    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD slowMs = 0;

private:
    void Call(const std::string& call, const std::string& path)
    {
        if (path.rfind("\\\\.\\Hang" + call, 0) == 0)
            WaitForSingleObject(gate, INFINITE);
        if (path.rfind("\\\\.\\Throw" + call, 0) == 0)
            throw std::runtime_error(call + " threw at " + path);
        std::lock_guard<std::mutex> locked(lock);
        ++returns[call + " " + path];
    }

    std::mutex lock;
    std::map<std::string, int> returns;
};

bool Ask(TimedDeviceIo& devices, HANDLE device, unsigned char value)
{
    unsigned char answer = 0;
    DWORD returned = 0;
    return devices.Control(device, 1, &value, 1, &answer, 1, &returned) &&
           answer == static_cast<unsigned char>(value + 1);
}

// Waits, for at most two seconds, until the requests left behind are `count`.
bool AbandonedBecome(std::size_t count)
{
    for (int wait = 0; wait < 200 && AbandonedDeviceRequests() != count; ++wait)
        Sleep(10);
    return AbandonedDeviceRequests() == count;
}

TEST(TimedDeviceIo, ACallThatNeverReturnsIsLeftBehindAndItsPathStaysSilentUntilItReturns)
{
    for (const std::string call : {"Open", "Control", "Close"}) {
        SCOPED_TRACE(call);
        // Left to the process's end: the call left behind may still use it.
        auto* devices = new GatedDevices;
        TimedDeviceIo timed(*devices, kDeadlineMs);
        const std::size_t before = AbandonedDeviceRequests();
        const std::string path = "\\\\.\\Hang" + call;

        const DWORD start = GetTickCount();
        const HANDLE handle = timed.Open(path.c_str(), 0, 0);
        if (handle != INVALID_HANDLE_VALUE && Ask(timed, handle, 7))
            timed.Close(handle);
        const DWORD error = GetLastError();
        const DWORD took = GetTickCount() - start;
        EXPECT_GE(took + 20, kDeadlineMs);
        EXPECT_LT(took, kDeadlineMs + 1000);
        EXPECT_EQ(before + 1, AbandonedDeviceRequests());
        EXPECT_TRUE(call == "Close" || error == ERROR_TIMEOUT) << error;
        if (call == "Control") {
            // Asked nothing more, and its handle is left to the request.
            EXPECT_TRUE(timed.IsSilent(handle));
            EXPECT_FALSE(Ask(timed, handle, 8));
            EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), GetLastError());
            timed.Close(handle);
        }
        EXPECT_EQ(0, devices->Returned("Close", path)) << "closed while in use";

        // Silent for the whole process, in any case of its name; other paths
        // are asked as before.
        TimedDeviceIo another(*devices, kDeadlineMs);
        const std::string otherCase = "\\\\.\\HANG" + call;
        EXPECT_EQ(INVALID_HANDLE_VALUE, another.Open(otherCase.c_str(), 0, 0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), GetLastError());
        EXPECT_TRUE(Ask(another, another.Open("\\\\.\\Other", 0, 0), 1));

        // Once the call returns, its thread closes the handle, and the path
        // opens again. Nothing was sent again while it was silent.
        SetEvent(devices->gate);
        EXPECT_TRUE(AbandonedBecome(before));
        EXPECT_EQ(1, devices->Returned("Open", path) + devices->Returned("Open", otherCase));
        EXPECT_EQ(call == "Open" ? 0 : 1, devices->Returned("Control", path));
        EXPECT_EQ(1, devices->Returned("Close", path));
        EXPECT_TRUE(Ask(timed, timed.Open(path.c_str(), 0, 0), 2));
    }
}

TEST(TimedDeviceIo, ACallThatThrowsFailsAtOnceIsNotedAndLaterCallsAreServed)
{
    GatedDevices devices;
    TimedDeviceIo timed(devices, kDeviceDeadlineMs);
    const std::size_t before = AbandonedDeviceRequests();
    for (const std::string call : {"Open", "Control", "Close"}) {
        SCOPED_TRACE(call);
        const std::string path = "\\\\.\\Throw" + call;
        const DWORD start = GetTickCount();
        const HANDLE handle = timed.Open(path.c_str(), 0, 0);
        const bool answered = handle != INVALID_HANDLE_VALUE && Ask(timed, handle, 7);
        const DWORD error = GetLastError();
        const bool silent = timed.IsSilent(handle);
        if (handle != INVALID_HANDLE_VALUE)
            timed.Close(handle);
        EXPECT_LT(GetTickCount() - start, kDeviceDeadlineMs / 4) << "waited for the deadline";
        // A close that throws counts as done; the others fail as a device's call does.
        EXPECT_EQ(call == "Close", answered);
        if (call != "Close") {
            EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNAL_ERROR), error);
        }
        EXPECT_FALSE(silent);
        std::string line;
        EXPECT_TRUE(TakeEscapedException(line));
        EXPECT_NE(std::string::npos, line.find(call + " threw at " + path)) << line;

        // Nothing left behind: the next calls are sent and answered.
        EXPECT_EQ(before, AbandonedDeviceRequests());
        const HANDLE other = timed.Open("\\\\.\\Other", 0, 0);
        EXPECT_TRUE(Ask(timed, other, 2));
        timed.Close(other);
    }
}

TEST(TimedDeviceIo, ThreadsAskingThroughOneObjectEachGetTheirOwnAnswers)
{
    constexpr int kAskers = 16;
    constexpr int kRounds = 200;
    GatedDevices devices;
    TimedDeviceIo timed(devices, kDeviceDeadlineMs);
    const auto pathOf = [](int asker) { return "\\\\.\\Drive" + std::to_string(asker); };
    std::vector<int> answered(kAskers);
    std::vector<std::thread> askers;
    for (int asker = 0; asker < kAskers; ++asker)
        askers.emplace_back([&, asker] {
            for (int round = 0; round < kRounds; ++round) {
                const HANDLE device = timed.Open(pathOf(asker).c_str(), 0, 0);
                answered[asker] += Ask(timed, device, asker * 16 + round % 16);
                timed.Close(device);
            }
        });
    for (std::thread& asker : askers)
        asker.join();
    for (int asker = 0; asker < kAskers; ++asker) {
        EXPECT_EQ(kRounds, answered[asker]) << pathOf(asker);
        EXPECT_EQ(kRounds, devices.Returned("Close", pathOf(asker))) << "each handle closed once";
    }
}

TEST(TimedDeviceIo, PastTheCapRequestsAreRefusedUnsentUntilThoseLeftBehindReturn)
{
    auto* devices = new GatedDevices;
    TimedDeviceIo timed(*devices, 100);
    const std::size_t before = AbandonedDeviceRequests();
    const HANDLE opened = timed.Open("\\\\.\\Answering", 0, 0);
    // Filled from several threads, each open waiting its deadline.
    std::vector<std::thread> fillers;
    for (int filler = 0; filler < 8; ++filler)
        fillers.emplace_back([&timed, filler] {
            for (int i = 0; i < 40 && AbandonedDeviceRequests() < kDeviceRequestCap; ++i)
                timed.Open(
                    ("\\\\.\\HangOpen" + std::to_string(filler) + "-" + std::to_string(i)).c_str(),
                    0, 0);
        });
    for (std::thread& filler : fillers)
        filler.join();
    ASSERT_EQ(kDeviceRequestCap, AbandonedDeviceRequests());

    // An open, a request and a close: each refused at once, and never sent.
    const DWORD start = GetTickCount();
    EXPECT_EQ(INVALID_HANDLE_VALUE, timed.Open("\\\\.\\Fresh", 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_TOO_MANY_TCBS), GetLastError());
    EXPECT_FALSE(Ask(timed, opened, 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_TOO_MANY_TCBS), GetLastError());
    EXPECT_FALSE(timed.IsSilent(opened)) << "refused is not silent";
    timed.Close(opened);
    EXPECT_LT(GetTickCount() - start, 100u) << "a refused call waited";
    EXPECT_EQ(0, devices->Returned("Open", "\\\\.\\Fresh") +
                     devices->Returned("Control", "\\\\.\\Answering") +
                     devices->Returned("Close", "\\\\.\\Answering"))
        << "sent past the cap";

    SetEvent(devices->gate);
    ASSERT_TRUE(AbandonedBecome(before));
    EXPECT_NE(INVALID_HANDLE_VALUE, timed.Open("\\\\.\\Fresh", 0, 0));
}

// A thread that holds the loader lock, which a new thread needs before it
// runs, for `heldMs` from when this returns; none where ntdll does not export
// the functions.
std::thread HoldLoaderLock(DWORD heldMs)
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto lock = reinterpret_cast<LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*)>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
    const auto unlock = reinterpret_cast<LONG(NTAPI*)(ULONG, ULONG_PTR)>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
    if (!lock || !unlock)
        return {};
    const HANDLE locked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([=] {
        ULONG_PTR cookie = 0;
        lock(0, nullptr, &cookie);
        SetEvent(locked);
        Sleep(heldMs);
        unlock(0, cookie);
    });
    WaitForSingleObject(locked, INFINITE);
    CloseHandle(locked);
    return holder;
}

TEST(TimedDeviceIo, TheDeadlineTimesTheCallNotTheStartOfItsThread)
{
    constexpr DWORD kDeadline = 1000;
    const struct {
        DWORD lockHeldMs; // before the request's new thread may start
        DWORD callMs;
        bool answered;
    } cases[] = {
        // Each within the deadline, together beyond it.
        {kDeadline * 2 / 3, kDeadline * 2 / 3, true},
        // A thread that cannot start within the deadline: withdrawn unsent.
        {kDeadline * 2, 0, false},
    };
    // Left to the process's end: the opens left behind use it.
    auto* devices = new GatedDevices;
    TimedDeviceIo timed(*devices, kDeadline);
    TimedDeviceIo occupier(*devices, kDeadlineMs);
    const std::size_t before = AbandonedDeviceRequests();
    std::size_t hung = 0;
    const HANDLE slow = timed.Open("\\\\.\\Slow", 0, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lockHeldMs);
        // Every request thread that waits for work, and would begin at once,
        // left behind in an open: the request needs a new thread.
        for (std::size_t i = 0; i < kIdleRequestThreads; ++i)
            occupier.Open(("\\\\.\\HangOpen" + std::to_string(hung++)).c_str(), 0, 0);
        ASSERT_EQ(before + hung, AbandonedDeviceRequests());
        devices->slowMs = c.callMs;
        std::thread holder = HoldLoaderLock(c.lockHeldMs);
        ASSERT_TRUE(holder.joinable()) << "no loader lock to hold";
        const DWORD start = GetTickCount();
        const bool answered = Ask(timed, slow, 5);
        const DWORD error = GetLastError();
        const DWORD took = GetTickCount() - start;
        holder.join();
        EXPECT_EQ(c.answered, answered) << "error " << error << " after " << took << " ms";
        if (!c.answered) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_TOO_MANY_TCBS), error);
            EXPECT_LT(took, kDeadline + 500);
        }
    }
    Sleep(200); // the withdrawn request's thread starts once the lock is free
    EXPECT_EQ(1, devices->Returned("Control", "\\\\.\\Slow")) << "a withdrawn request was sent";
    SetEvent(devices->gate);
    EXPECT_TRUE(AbandonedBecome(before));
}

} // namespace
