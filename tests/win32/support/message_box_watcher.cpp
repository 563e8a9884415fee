#include "tests/win32/support/message_box_watcher.h"

#include <utility>

namespace {

constexpr char kDialogClass[] = "#32770";

struct Search {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindOwnBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && lstrcmpA(className, kDialogClass) == 0 &&
        IsWindowVisible(window) && WindowText(window) == *search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ReadChild(HWND child, LPARAM param)
{
    auto* box = reinterpret_cast<SeenMessageBox*>(param);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Button") == 0) {
        box->buttonIds.push_back(GetDlgCtrlID(child));
    } else if (lstrcmpiA(className, "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            box->hasIcon = true;
            box->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        } else if (box->text.empty()) {
            box->text = WindowText(child);
        }
    }
    return TRUE;
}

} // namespace

std::string WindowText(HWND window)
{
    const int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = static_cast<int>(
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

MessageBoxWatcher::MessageBoxWatcher(std::string caption, int expected, DWORD timeoutMs)
    : caption(std::move(caption)), expected(expected), timeoutMs(timeoutMs),
      thread(&MessageBoxWatcher::Run, this)
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    if (thread.joinable())
        thread.join();
}

const std::vector<SeenMessageBox>& MessageBoxWatcher::Wait()
{
    if (thread.joinable())
        thread.join();
    return seen;
}

void MessageBoxWatcher::Run()
{
    const DWORD start = GetTickCount();
    HWND last = nullptr;
    while (static_cast<int>(seen.size()) < expected && GetTickCount() - start < timeoutMs) {
        Search search = {&caption, nullptr};
        EnumWindows(FindOwnBox, reinterpret_cast<LPARAM>(&search));
        if (!search.found || search.found == last) {
            Sleep(10);
            continue;
        }
        SeenMessageBox box;
        box.caption = caption;
        box.owner = GetWindow(search.found, GW_OWNER);
        EnumChildWindows(search.found, ReadChild, reinterpret_cast<LPARAM>(&box));
        if (!box.buttonIds.empty())
            PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(box.buttonIds.front(), BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(search.found, box.buttonIds.front())));
        seen.push_back(box);
        last = search.found;
    }
}
