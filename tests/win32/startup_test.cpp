#include "app/main_window.h"
#include "app/startup.h"

#include <gtest/gtest.h>

namespace {

HHOOK g_hook = nullptr;

// Refuses the creation of every top-level window of the program's class, as
// a system out of window resources would.
LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        const char* className = create->lpcs->lpszClass;
        if (!IS_INTRESOURCE(className) && lstrcmpiA(className, "vestrel") == 0)
            return 1;
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

// Runs in a program of its own: the class must not have been registered by
// another test before.
TEST(Startup, EndsAtOnceWhenTheMainWindowCannotBeCreated)
{
    g_hook = SetWindowsHookExA(WH_CBT, RefuseMainWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, g_hook);
    // A message loop would take this and end; start-up must not get that far.
    PostQuitMessage(7);
    const int result = RunVestrel(GetModuleHandleA(nullptr));
    UnhookWindowsHookEx(g_hook);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop ran";

    EXPECT_EQ(0, result);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "vestrel", &wc))
        << "start-up stopped before it registered the class";
    EXPECT_EQ(nullptr, g_hMainWnd);
    // Neither the list nor anything after it was made.
    EXPECT_EQ(nullptr, g_hDriveList);
    EXPECT_EQ(nullptr, FindWindowA("vestrel", nullptr));
}

} // namespace
