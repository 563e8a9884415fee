#pragma once

#include <cstdint>

// The stack protector's guard and its failure path, defined here in place
// of the compiler's runtime (libssp), which seeds the guard through the
// cryptographic provider: a DLL found through the registry, loaded with the
// libraries it needs before WinMain. Every function that
// -fstack-protector-strong protects copies the guard into its frame on entry
// and checks the copy before it returns. A program that links vestrel_win
// takes both from here, with the seeding, and the runtime's object is never
// linked.
//
// The guard is zero in the file. The C runtime's start-up seeds it with the
// system's random bytes (RtlGenRandom) before the static objects are made,
// and so before any protected function runs.
extern "C" std::uintptr_t __stack_chk_guard;

// Called by a protected function whose copy no longer matches: its frame was
// overwritten, so the process ends at once, running nothing of its own.
extern "C" [[noreturn]] void __stack_chk_fail();
