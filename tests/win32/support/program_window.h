#pragma once

#include "tests/win32/support/window_probe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// The program's real main window and drive list, made in this process the way
// start-up makes them, with the program-wide globals set, and ways to act on
// the rows as a user does.
class ProgramWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Appends rows through the program's own InsertDriveRow.
    void AddRow(const char* model, const char* serial, const char* revision);

    // The centre of `row`, in the list's client coordinates.
    POINT RowCentre(int row);

    // A point of the list below its last row.
    POINT EmptySpace();

    // Presses and releases a mouse button at `point` of the list, so that the
    // control itself notifies the main window.
    void LeftClick(POINT point);
    void RightClick(POINT point);

    // A left click on the middle of `row`.
    void ClickRow(int row) { LeftClick(RowCentre(row)); }

    // Gives `row` the focus, or selects exactly `rows`, without a click.
    void SetFocusedRow(int row);
    void SelectOnly(std::initializer_list<int> rows);

    // Delivers a key press or release through the message queue while the
    // Control key is (or is not) held, as the keyboard would.
    void PressKey(HWND target, UINT message, WPARAM key, bool controlHeld);

    // OpenAboutWindow() calls made before the test began. (Reading the count
    // also links the test program's own program objects.)
    int aboutOpensBefore = 0;
};

// A cell of the drive list, read back through the control.
std::string CellText(HWND list, int row, int column);

// The model cell of every row of the drive list, in row order.
std::vector<std::string> ListedModels(HWND list);
