// Programs whose stack guard is not seeded at start-up from the system's
// random source, which the hardening check must fail. Each has a protected
// function and takes RtlGenRandom's bytes for something else, as Vestrel does.
#include <windows.h>

#include <ntsecapi.h>

#include <cstdint>

#ifdef CONSTANT_GUARD
// A guard that every copy of the program shares.
extern "C" {
std::uintptr_t __stack_chk_guard = 0x2f8e61d4;

void __stack_chk_fail()
{
    ExitProcess(3);
}
}
#endif
// Otherwise the compiler's runtime seeds the guard, through the
// cryptographic provider.

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    unsigned char bytes[16]; // an array makes the function a protected one
    if (!RtlGenRandom(bytes, sizeof bytes))
        return 1;
    return bytes[0] & 1;
}
