#pragma once

#include "tests/win32/program_window.h"

#include <windows.h>

#include <initializer_list>
#include <string>

// The program's window and list, with ways to act on rows as a user does.
class RowActionTest : public ProgramWindowTest {
protected:
    void TearDown() override;

    // Gives `row` the focus, or selects exactly `rows`, without a click.
    void SetFocusedRow(int row);
    void SelectOnly(std::initializer_list<int> rows);

    // A left click on the middle of `row`.
    void ClickRow(int row) { LeftClick(RowCentre(row)); }

    // Delivers a key press or release through the message queue while the
    // Control key is (or is not) held, as the keyboard would.
    void PressKey(HWND target, UINT message, WPARAM key, bool controlHeld);
};

// The text a copy of a row with these cells puts on the clipboard.
std::string RowText(const std::string& model, const std::string& serial,
                    const std::string& revision);
