#include "tests/win32/row_action_fixture.h"

#include "app/main_window.h"

#include <commctrl.h>

namespace {

void SetRowState(int row, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(g_hDriveList, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

void SetControlKey(bool held)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE state = held ? 0x80 : 0;
    keys[VK_CONTROL] = keys[VK_LCONTROL] = state;
    SetKeyboardState(keys);
}

} // namespace

void RowActionTest::TearDown()
{
    SetControlKey(false);
    ProgramWindowTest::TearDown();
}

void RowActionTest::SetFocusedRow(int row)
{
    SetRowState(row, LVIS_FOCUSED, LVIS_FOCUSED);
}

void RowActionTest::SelectOnly(std::initializer_list<int> rows)
{
    SetRowState(-1, 0, LVIS_SELECTED);
    for (int row : rows)
        SetRowState(row, LVIS_SELECTED, LVIS_SELECTED);
}

void RowActionTest::PressKey(HWND target, UINT message, WPARAM key, bool controlHeld)
{
    SetControlKey(controlHeld);
    const UINT scanCode = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    LPARAM flags = 1 | (static_cast<LPARAM>(scanCode) << 16);
    if (message == WM_KEYUP)
        flags |= 0xC0000000; // previous state down, being released
    PostMessageA(target, message, key, flags);
    DispatchPending();
}

std::string RowText(const std::string& model, const std::string& serial,
                    const std::string& revision)
{
    return "Model: " + model + ", Serial: " + serial + ", Firmware: " + revision;
}
