#include "platform/stack_guard.h"

#include <windows.h>

#include <ntsecapi.h>

std::uintptr_t __stack_chk_guard = 0;

namespace {

// Values that differ from run to run, for a system whose random source
// fails: weaker than random bytes, but never a guard the file holds.
std::uintptr_t RunSpecificValue()
{
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    std::uintptr_t value = static_cast<std::uintptr_t>(counter.QuadPart);
    value ^= static_cast<std::uintptr_t>(counter.QuadPart >> 32) << 16;
    value ^= static_cast<std::uintptr_t>(GetCurrentProcessId()) << 8;
    value ^= GetTickCount();
    value ^= reinterpret_cast<std::uintptr_t>(&counter); // where the stack is, with ASLR
    return value != 0 ? value : 1;
}

// Unprotected itself: the guard changes while it runs.
__attribute__((no_stack_protector)) int SeedStackGuard()
{
    if (!RtlGenRandom(&__stack_chk_guard, sizeof __stack_chk_guard) || __stack_chk_guard == 0)
        __stack_chk_guard = RunSpecificValue();
    return 0;
}

} // namespace

// The C runtime's start-up calls the initialisers of the .CRT$XI table in
// the order of their section names, before the static objects (.CRT$XC and
// the constructors), WinMain and main. "XIB" comes after the runtime's own
// (".CRT$XIAA").
__attribute__((section(".CRT$XIB"), used)) int (*const g_stackGuardSeeding)() = SeedStackGuard;

__attribute__((no_stack_protector)) void __stack_chk_fail()
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}
