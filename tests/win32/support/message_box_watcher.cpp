#include "tests/win32/support/message_box_watcher.h"
#include "tests/win32/support/window_probe.h"

#include <utility>

namespace {

constexpr char kDialogClass[] = "#32770";

BOOL CALLBACK ReadChild(HWND child, LPARAM param)
{
    auto* box = reinterpret_cast<SeenMessageBox*>(param);
    const std::string className = ClassName(child);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className.c_str(), "Button") == 0) {
        box->buttonIds.push_back(GetDlgCtrlID(child));
    } else if (lstrcmpiA(className.c_str(), "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            box->hasIcon = true;
            box->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        } else if (box->text.empty()) {
            box->text = WindowText(child);
        }
    }
    return TRUE;
}

// The first visible message box of this process with `caption`, or null.
HWND FindOwnBox(const std::string& caption)
{
    for (HWND box : WindowsOfClass(kDialogClass))
        if (IsWindowVisible(box) && WindowText(box) == caption)
            return box;
    return nullptr;
}

} // namespace

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

const std::vector<SeenMessageBox>& MessageBoxWatcher::Finish()
{
    finishing = true;
    return Wait();
}

void MessageBoxWatcher::Run()
{
    const DWORD start = GetTickCount();
    HWND last = nullptr;
    while (!finishing && static_cast<int>(seen.size()) < expected &&
           GetTickCount() - start < timeoutMs) {
        const HWND found = FindOwnBox(caption);
        if (!found || found == last) {
            Sleep(10);
            continue;
        }
        SeenMessageBox box;
        box.caption = caption;
        box.owner = GetWindow(found, GW_OWNER);
        EnumChildWindows(found, ReadChild, reinterpret_cast<LPARAM>(&box));
        if (!box.buttonIds.empty())
            PostMessageA(found, WM_COMMAND, MAKEWPARAM(box.buttonIds.front(), BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(found, box.buttonIds.front())));
        seen.push_back(box);
        last = found;
    }
}
