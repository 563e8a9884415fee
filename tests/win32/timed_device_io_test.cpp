// Device requests with a deadline: calls that never return, the silence that
// follows them across the process, several threads through one object, the
// cap on requests left behind, and the deadline timed from the call's start.
// In a program of its own: the silences and the cap are the whole process's.

#include "platform/timed_device_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDeadlineMs = 300;

enum class Stall { Open, Control, Close };

// Devices at any path. At a path that begins with "\\.\Stall", the `stall`
// call waits until `gate` is set; at "\\.\Slow", a request takes `slowMs`. A
// request answers its input byte plus one. Safe from several threads; each
// call is counted.
class GatedDevices final : public DeviceIo {
public:
    explicit GatedDevices(Stall stall) : stall(stall) { InitializeCriticalSection(&lock); }

    HANDLE Open(const char* path, DWORD, DWORD) override
    {
        Note(path);
        WaitIf(path, Stall::Open);
        EnterCriticalSection(&lock);
        paths.push_back(path);
        const auto handle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(paths.size()));
        LeaveCriticalSection(&lock);
        return handle;
    }

    bool Control(HANDLE device, DWORD, const void* in, DWORD, void* out, DWORD,
                 DWORD* returned) override
    {
        const std::string path = PathOf(device);
        Note("control " + path);
        WaitIf(path, Stall::Control);
        if (path.rfind("\\\\.\\Slow", 0) == 0)
            Sleep(slowMs);
        *static_cast<unsigned char*>(out) = *static_cast<const unsigned char*>(in) + 1;
        *returned = 1;
        return true;
    }

    void Close(HANDLE device) override
    {
        const std::string path = PathOf(device);
        WaitIf(path, Stall::Close);
        Note("close " + path);
    }

    // How often `what` was called: a path for its opens, "control PATH",
    // "close PATH".
    int Calls(const std::string& what)
    {
        EnterCriticalSection(&lock);
        const int calls = counts[what];
        LeaveCriticalSection(&lock);
        return calls;
    }

    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD slowMs = 0;

private:
    void Note(const std::string& what)
    {
        EnterCriticalSection(&lock);
        ++counts[what];
        LeaveCriticalSection(&lock);
    }

    std::string PathOf(HANDLE device)
    {
        EnterCriticalSection(&lock);
        const std::string path = paths.at(reinterpret_cast<INT_PTR>(device) - 1);
        LeaveCriticalSection(&lock);
        return path;
    }

    void WaitIf(const std::string& path, Stall call)
    {
        if (call == stall && path.rfind("\\\\.\\Stall", 0) == 0)
            WaitForSingleObject(gate, INFINITE);
    }

    Stall stall;
    CRITICAL_SECTION lock;
    std::map<std::string, int> counts;
    std::vector<std::string> paths; // of handle i + 1
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

// How long `call` takes, in milliseconds.
template <typename Call> DWORD Timed(Call call)
{
    const DWORD start = GetTickCount();
    call();
    return GetTickCount() - start;
}

TEST(TimedDeviceIo, ACallThatNeverReturnsIsLeftBehindAndItsPathStaysSilentUntilItReturns)
{
    const struct {
        const char* what;
        Stall stall;
    } cases[] = {{"open", Stall::Open}, {"request", Stall::Control}, {"close", Stall::Close}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Left to the process's end: the call left behind may still use it.
        auto* devices = new GatedDevices(c.stall);
        TimedDeviceIo timed(*devices, kDeadlineMs);
        const std::size_t before = AbandonedDeviceRequests();
        const char* const path = "\\\\.\\Stall0";

        HANDLE handle = INVALID_HANDLE_VALUE;
        const DWORD took = Timed([&] {
            handle = timed.Open(path, 0, 0);
            if (handle != INVALID_HANDLE_VALUE && Ask(timed, handle, 7))
                timed.Close(handle);
        });
        const DWORD error = GetLastError();
        EXPECT_GE(took + 20, kDeadlineMs);
        EXPECT_LT(took, kDeadlineMs + 1000);
        EXPECT_EQ(before + 1, AbandonedDeviceRequests());
        if (c.stall != Stall::Close) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), error);
        }
        if (c.stall == Stall::Control) {
            // Asked nothing more, and its handle is left to the request.
            EXPECT_TRUE(timed.IsSilent(handle));
            EXPECT_LT(Timed([&] { EXPECT_FALSE(Ask(timed, handle, 8)); }), kDeadlineMs / 2);
            EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), GetLastError());
            EXPECT_EQ(1, devices->Calls("control \\\\.\\Stall0"));
            timed.Close(handle);
        }
        EXPECT_EQ(0, devices->Calls("close \\\\.\\Stall0")) << "closed while in use";

        // Silent for the whole process, in any case of its name; other paths
        // are asked as before.
        TimedDeviceIo another(*devices, kDeadlineMs);
        DWORD refusal = 0;
        EXPECT_LT(Timed([&] {
                      EXPECT_EQ(INVALID_HANDLE_VALUE, another.Open("\\\\.\\STALL0", 0, 0));
                      refusal = GetLastError();
                  }),
                  kDeadlineMs / 2);
        EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), refusal);
        EXPECT_EQ(1, devices->Calls(path) + devices->Calls("\\\\.\\STALL0"))
            << "opened again while silent";
        const HANDLE other = another.Open("\\\\.\\Other", 0, 0);
        EXPECT_TRUE(Ask(another, other, 1));
        another.Close(other);
        EXPECT_EQ(1, devices->Calls("close \\\\.\\Other"));

        // Once the call returns, its thread closes the handle, and the path
        // opens again.
        SetEvent(devices->gate);
        EXPECT_TRUE(AbandonedBecome(before));
        EXPECT_EQ(1, devices->Calls("close \\\\.\\Stall0"));
        const HANDLE again = timed.Open(path, 0, 0);
        EXPECT_TRUE(Ask(timed, again, 2));
        timed.Close(again);
    }
}

constexpr int kAskers = 16;
constexpr int kRounds = 200;

struct Asker {
    TimedDeviceIo* timed;
    int index;
    int answered = 0;
};

DWORD WINAPI AskRepeatedly(void* parameter)
{
    auto& asker = *static_cast<Asker*>(parameter);
    const std::string path = "\\\\.\\Drive" + std::to_string(asker.index);
    for (int round = 0; round < kRounds; ++round) {
        const HANDLE device = asker.timed->Open(path.c_str(), 0, 0);
        if (device != INVALID_HANDLE_VALUE &&
            Ask(*asker.timed, device, static_cast<unsigned char>(asker.index * 16 + round % 16)) &&
            !asker.timed->IsSilent(device))
            ++asker.answered;
        asker.timed->Close(device);
    }
    return 0;
}

TEST(TimedDeviceIo, ThreadsAskingThroughOneObjectEachGetTheirOwnAnswers)
{
    GatedDevices devices(Stall::Open);
    TimedDeviceIo timed(devices, kDeviceDeadlineMs);
    std::vector<Asker> askers;
    for (int index = 0; index < kAskers; ++index)
        askers.push_back({&timed, index});
    std::vector<HANDLE> threads;
    for (Asker& asker : askers)
        threads.push_back(CreateThread(nullptr, 0, AskRepeatedly, &asker, 0, nullptr));
    for (HANDLE thread : threads) {
        ASSERT_NE(nullptr, thread);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
        CloseHandle(thread);
    }
    for (const Asker& asker : askers) {
        const std::string path = "\\\\.\\Drive" + std::to_string(asker.index);
        EXPECT_EQ(kRounds, asker.answered) << path;
        EXPECT_EQ(kRounds, devices.Calls(path)) << path;
        EXPECT_EQ(kRounds, devices.Calls("close " + path)) << "each handle closed once";
    }
}

TEST(TimedDeviceIo, PastTheCapRequestsAreRefusedUnsentUntilThoseLeftBehindReturn)
{
    auto* devices = new GatedDevices(Stall::Open);
    TimedDeviceIo timed(*devices, 100);
    const std::size_t before = AbandonedDeviceRequests();
    const HANDLE opened = timed.Open("\\\\.\\Answering", 0, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, opened);
    for (int i = 0; i < 100 && AbandonedDeviceRequests() < kDeviceRequestCap; ++i)
        timed.Open(("\\\\.\\Stall" + std::to_string(i)).c_str(), 0, 0);
    ASSERT_EQ(kDeviceRequestCap, AbandonedDeviceRequests());

    // The calls the cap refuses, and what the devices would have seen of each.
    const auto opens = [&] { return timed.Open("\\\\.\\Fresh", 0, 0) != INVALID_HANDLE_VALUE; };
    const auto asks = [&] { return Ask(timed, opened, 1); };
    const struct {
        const char* what;
        std::function<bool()> call;
        std::string sent; // what the devices would have seen
    } refused[] = {
        {"open", opens, "\\\\.\\Fresh"},
        {"request", asks, "control \\\\.\\Answering"},
    };
    for (const auto& r : refused) {
        const DWORD took = Timed([&] { EXPECT_FALSE(r.call()) << r.what; });
        EXPECT_EQ(static_cast<DWORD>(ERROR_TOO_MANY_TCBS), GetLastError()) << r.what;
        EXPECT_LT(took, 100u) << r.what << " waited";
        EXPECT_EQ(0, devices->Calls(r.sent)) << r.what << " sent past the cap";
    }
    EXPECT_FALSE(timed.IsSilent(opened)) << "refused is not silent";
    timed.Close(opened);
    EXPECT_EQ(0, devices->Calls("close \\\\.\\Answering")) << "a close sent past the cap";

    SetEvent(devices->gate);
    ASSERT_TRUE(AbandonedBecome(before));
    EXPECT_TRUE(opens());
}

// The loader lock, which a new thread needs before it runs, held for
// `heldMs` by a thread of its own from when this is made. Held() is false
// where ntdll does not export the functions.
class HeldLoaderLock {
public:
    explicit HeldLoaderLock(DWORD heldMs) : heldMs(heldMs)
    {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        lock = reinterpret_cast<LockFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
        unlock = reinterpret_cast<UnlockFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
        if (lock && unlock)
            holder = CreateThread(nullptr, 0, Hold, this, 0, nullptr);
        if (holder)
            WaitForSingleObject(locked, INFINITE);
    }
    ~HeldLoaderLock()
    {
        if (!holder)
            return;
        WaitForSingleObject(holder, INFINITE);
        CloseHandle(holder);
    }
    HeldLoaderLock(const HeldLoaderLock&) = delete;
    HeldLoaderLock& operator=(const HeldLoaderLock&) = delete;

    bool Held() const { return holder != nullptr; }

private:
    using LockFunction = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
    using UnlockFunction = LONG(NTAPI*)(ULONG, ULONG_PTR);

    static DWORD WINAPI Hold(void* parameter)
    {
        auto& self = *static_cast<HeldLoaderLock*>(parameter);
        ULONG_PTR cookie = 0;
        self.lock(0, nullptr, &cookie);
        SetEvent(self.locked);
        Sleep(self.heldMs);
        self.unlock(0, cookie);
        return 0;
    }

    DWORD heldMs;
    LockFunction lock = nullptr;
    UnlockFunction unlock = nullptr;
    HANDLE locked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE holder = nullptr;
};

struct Occupier {
    TimedDeviceIo* timed;
    HANDLE device;
};

DWORD WINAPI AskStalled(void* parameter)
{
    auto& occupier = *static_cast<Occupier*>(parameter);
    Ask(*occupier.timed, occupier.device, 0);
    return 0;
}

// Keeps every request thread that waits for work busy with a request that
// stalls until `gate`, so the next request needs a new thread.
class BusyRequestThreads {
public:
    explicit BusyRequestThreads(GatedDevices& devices) : devices(devices)
    {
        for (std::size_t i = 0; i < kIdleRequestThreads; ++i) {
            const std::string path = "\\\\.\\Stall" + std::to_string(i);
            occupiers.push_back({&timed, timed.Open(path.c_str(), 0, 0)});
        }
        const int before = Asked();
        for (Occupier& occupier : occupiers)
            threads.push_back(CreateThread(nullptr, 0, AskStalled, &occupier, 0, nullptr));
        for (int wait = 0; wait < 500 && Asked() - before < static_cast<int>(occupiers.size());
             ++wait)
            Sleep(10);
    }
    ~BusyRequestThreads()
    {
        SetEvent(devices.gate);
        for (HANDLE thread : threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        for (const Occupier& occupier : occupiers)
            timed.Close(occupier.device);
        ResetEvent(devices.gate);
    }

private:
    int Asked()
    {
        int asked = 0;
        for (std::size_t i = 0; i < kIdleRequestThreads; ++i)
            asked += devices.Calls("control \\\\.\\Stall" + std::to_string(i));
        return asked;
    }

    GatedDevices& devices;
    TimedDeviceIo timed{devices, 60000};
    std::vector<Occupier> occupiers;
    std::vector<HANDLE> threads;
};

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
    auto* devices = new GatedDevices(Stall::Control);
    TimedDeviceIo timed(*devices, kDeadline);
    const HANDLE slow = timed.Open("\\\\.\\Slow", 0, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lockHeldMs);
        devices->slowMs = c.callMs;
        const int sentBefore = devices->Calls("control \\\\.\\Slow");
        const std::size_t abandonedBefore = AbandonedDeviceRequests();
        bool answered = false;
        DWORD error = 0;
        DWORD took = 0;
        {
            BusyRequestThreads busy(*devices);
            HeldLoaderLock loaderLock(c.lockHeldMs);
            if (!loaderLock.Held()) {
                std::printf("No loader lock to hold here: the thread-start case does not run.\n");
                break;
            }
            took = Timed([&] {
                answered = Ask(timed, slow, 5);
                error = GetLastError();
            });
        }
        EXPECT_EQ(c.answered, answered) << "error " << error << " after " << took << " ms";
        if (!c.answered) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_TOO_MANY_TCBS), error);
            EXPECT_LT(took, kDeadline + 500);
            Sleep(200); // the thread starts once the lock is free, and must send nothing
            EXPECT_EQ(sentBefore, devices->Calls("control \\\\.\\Slow"));
        }
        EXPECT_FALSE(timed.IsSilent(slow));
        EXPECT_EQ(abandonedBefore, AbandonedDeviceRequests());
    }
    devices->slowMs = 0;
    EXPECT_TRUE(Ask(timed, slow, 9));
    timed.Close(slow);
}

} // namespace
