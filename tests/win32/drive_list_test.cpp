#include "app/drive_list.h"
#include "app/main_window.h"
#include "tests/win32/support/program_window.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using DriveList = ProgramWindowTest;

bool DownloadEnabled()
{
    return IsWindowEnabled(g_hDownloadButton) != FALSE;
}

TEST_F(DriveList, RowsAreAppendedInInsertionOrderDuplicatesIncluded)
{
    AddRow("MODEL A", "SER1", "REV1");
    AddRow("MODEL B", "", "REV2");
    AddRow("MODEL A", "SER1", "REV1");
    ASSERT_EQ(3, SendMessageA(g_hDriveList, LVM_GETITEMCOUNT, 0, 0));
    const char* expected[3][3] = {
        {"MODEL A", "SER1", "REV1"}, {"MODEL B", "", "REV2"}, {"MODEL A", "SER1", "REV1"}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(expected[row][column], CellText(g_hDriveList, row, column))
                << row << "," << column;
    // Nothing is selected or focused by an insertion.
    EXPECT_EQ(-1, SendMessageA(g_hDriveList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                               LVNI_SELECTED | LVNI_FOCUSED));
}

TEST_F(DriveList, ClickEnablesDownloadOnlyForLetterAndDigitSerials)
{
    struct Case {
        const char* serial;
        bool enables;
    };
    const Case cases[] = {
        {"ABC123", true}, {"abc123", true}, {"", true},        {"N/A", false},
        {"AB 12", false}, {"AB-12", false}, {"AB\xE9", false}, {"AB12", true},
    };
    for (const Case& c : cases)
        AddRow("MODEL", c.serial, "REV");
    // Alternate valid and invalid rows so every click must change the state.
    const int order[] = {3, 0, 4, 1, 5, 2, 6, 7};
    for (int row : order) {
        SCOPED_TRACE(row);
        LeftClick(RowCentre(row));
        EXPECT_EQ(row, g_selectedRow);
        EXPECT_EQ(cases[row].enables, DownloadEnabled());
        // The cell keeps the text it had; only a private copy is tested.
        EXPECT_EQ(cases[row].serial, CellText(g_hDriveList, row, 1));
    }
}

TEST_F(DriveList, ClickTestsOnlyTheSerialsFirst255Characters)
{
    // The cell is read into a 256-byte buffer, so a bad character past the
    // 255th is never seen, and one at the 255th is.
    const std::string pastTheCell = std::string(255, 'a') + "-";
    const std::string inTheCell = std::string(254, 'a') + "-";
    AddRow("MODEL", pastTheCell.c_str(), "REV");
    AddRow("MODEL", inTheCell.c_str(), "REV");
    LeftClick(RowCentre(0));
    EXPECT_TRUE(DownloadEnabled());
    LeftClick(RowCentre(1));
    EXPECT_FALSE(DownloadEnabled());
}

TEST_F(DriveList, ClickOnEmptySpaceForgetsTheRowAndDisablesDownload)
{
    AddRow("MODEL", "VALID1", "REV");
    LeftClick(RowCentre(0));
    ASSERT_EQ(0, g_selectedRow);
    ASSERT_TRUE(DownloadEnabled());

    LeftClick(EmptySpace());
    EXPECT_EQ(-1, g_selectedRow);
    EXPECT_FALSE(DownloadEnabled());
}

TEST_F(DriveList, ClickOnAnEmptyListDisablesDownload)
{
    EnableWindow(g_hDownloadButton, TRUE);
    LeftClick(EmptySpace());
    EXPECT_EQ(-1, g_selectedRow);
    EXPECT_FALSE(DownloadEnabled());
}

TEST_F(DriveList, KeyboardMovesChangeNeitherTheRememberedRowNorTheButton)
{
    AddRow("MODEL", "VALID1", "REV");
    AddRow("MODEL", "N/A", "REV");
    LeftClick(RowCentre(0));
    ASSERT_TRUE(DownloadEnabled());

    SetFocus(g_hDriveList);
    SendMessageA(g_hDriveList, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(g_hDriveList, WM_KEYUP, VK_DOWN, 0);
    DispatchPending();
    ASSERT_EQ(1, SendMessageA(g_hDriveList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                              LVNI_SELECTED)); // the selection did move
    EXPECT_EQ(0, g_selectedRow);
    EXPECT_TRUE(DownloadEnabled());
}

TEST_F(DriveList, ClickUsesTheFirstSelectedRow)
{
    AddRow("MODEL", "N/A", "REV");
    AddRow("MODEL", "VALID1", "REV");
    AddRow("MODEL", "VALID2", "REV");
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(g_hDriveList, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    // A click with Control held adds row 2 to the selection.
    const POINT at = RowCentre(2);
    SendMessageA(g_hDriveList, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(at.x, at.y));
    SendMessageA(g_hDriveList, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(at.x, at.y));
    DispatchPending();
    EXPECT_EQ(2, SendMessageA(g_hDriveList, LVM_GETSELECTEDCOUNT, 0, 0));
    EXPECT_EQ(1, g_selectedRow);
}

// What the popup menu showed while it was open, read by a timer that then
// closes it, since tracking a menu runs a modal loop.
struct SeenMenu {
    bool shown = false;
    HMENU menu = nullptr;
    int itemCount = 0;
    UINT firstId = 0;
    std::string firstText;
    RECT rect = {};
};

SeenMenu g_seenMenu;

void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup))
        return;
    KillTimer(nullptr, timer);
    g_seenMenu.shown = true;
    g_seenMenu.menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    g_seenMenu.itemCount = GetMenuItemCount(g_seenMenu.menu);
    g_seenMenu.firstId = GetMenuItemID(g_seenMenu.menu, 0);
    char text[64] = {};
    GetMenuStringA(g_seenMenu.menu, 0, text, sizeof text, MF_BYPOSITION);
    g_seenMenu.firstText = text;
    GetWindowRect(popup, &g_seenMenu.rect);
    EndMenu();
}

class DriveListMenu : public DriveList {
protected:
    SeenMenu RightClickAndWatch(POINT point)
    {
        g_seenMenu = SeenMenu();
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, ReadAndCloseMenu);
        RightClick(point);
        KillTimer(nullptr, timer);
        return g_seenMenu;
    }
};

TEST_F(DriveListMenu, RightClickOnAFocusedRowOffersCopyAndFreesTheMenu)
{
    AddRow("MODEL", "SER", "REV");
    const SeenMenu seen = RightClickAndWatch(RowCentre(0));
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(1, seen.itemCount);
    EXPECT_EQ(static_cast<UINT>(IDM_COPY), seen.firstId);
    EXPECT_EQ("Copy to clipboard", seen.firstText);
    // Each right click makes a new menu; the last one is gone again.
    EXPECT_FALSE(IsMenu(seen.menu));
}

TEST_F(DriveListMenu, MenuIsCentredOnTheCursorWithItsTopAtTheCursor)
{
    AddRow("MODEL", "SER", "REV");
    const POINT cursor = {400, 300};
    ASSERT_TRUE(SetCursorPos(cursor.x, cursor.y));
    const SeenMenu seen = RightClickAndWatch(RowCentre(0));
    ASSERT_TRUE(seen.shown);
    const LONG width = seen.rect.right - seen.rect.left;
    EXPECT_NEAR(cursor.x, seen.rect.left + width / 2, 1);
    EXPECT_EQ(cursor.y, seen.rect.top);
}

TEST_F(DriveListMenu, RightClickOnEmptySpaceOffersCopyWhileARowHasTheFocus)
{
    AddRow("MODEL", "SER", "REV");
    LVITEMA focus = {};
    focus.stateMask = LVIS_FOCUSED;
    focus.state = LVIS_FOCUSED;
    SendMessageA(g_hDriveList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
    EXPECT_TRUE(RightClickAndWatch(EmptySpace()).shown);
}

TEST_F(DriveListMenu, RightClickWithoutAFocusedRowShowsNoMenu)
{
    EXPECT_FALSE(RightClickAndWatch(EmptySpace()).shown);
    AddRow("MODEL", "SER", "REV");
    EXPECT_FALSE(RightClickAndWatch(EmptySpace()).shown);
}

} // namespace
