#include "app/list_colouring.h"
#include "app/main_window.h"
#include "tests/win32/support/program_window.h"

#include <commctrl.h>

#include <vector>

namespace {

constexpr COLORREF kGreen = 0x00008000;
constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kUntouched = 0x00123456;

// Rows: affected model, old firmware (red); affected model, fixed firmware;
// a model with no update; affected again (red).
class RowColouring : public ProgramWindowTest {
protected:
    void SetUp() override
    {
        ProgramWindowTest::SetUp();
        AddRow("ZQ3104220AS", "SER0", "KC11");
        AddRow("ZQ3104220AS", "SER1", "KC2A");
        AddRow("QEMU HARDDISK", "SER2", "KC11");
        AddRow("ZQP30960100AS", "SER3", "1.0");
    }

    struct Answer {
        LRESULT result;
        COLORREF text;
        COLORREF background;
    };

    static NMLVCUSTOMDRAW Notification(HWND from, DWORD stage, int row, int subItem)
    {
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.hdr.hwndFrom = from;
        draw.nmcd.hdr.idFrom = IDC_DRIVE_LIST;
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = stage;
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
        draw.iSubItem = subItem;
        draw.clrText = kUntouched;
        draw.clrTextBk = kUntouched;
        return draw;
    }

    // Asks the main window, as the list does.
    static Answer Ask(DWORD stage, int row, int subItem = 0, HWND from = g_hDriveList)
    {
        NMLVCUSTOMDRAW draw = Notification(from, stage, row, subItem);
        const LRESULT result =
            SendMessageA(g_hMainWnd, WM_NOTIFY, IDC_DRIVE_LIST, reinterpret_cast<LPARAM>(&draw));
        return {result, draw.clrText, draw.clrTextBk};
    }
};

constexpr DWORD kSubItemPrepaint = CDDS_ITEMPREPAINT | CDDS_SUBITEM;

TEST_F(RowColouring, PrepaintAsksForItemNotifications)
{
    const Answer answer = Ask(CDDS_PREPAINT, 0);
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, answer.result);
    EXPECT_EQ(kUntouched, answer.text);
}

TEST_F(RowColouring, EvenRowsTakeTheirColourAtTheItemStage)
{
    Answer answer = Ask(CDDS_ITEMPREPAINT, 0);
    EXPECT_EQ(CDRF_DODEFAULT, answer.result);
    EXPECT_EQ(kRed, answer.text);
    EXPECT_EQ(kUntouched, answer.background);

    answer = Ask(CDDS_ITEMPREPAINT, 2);
    EXPECT_EQ(CDRF_DODEFAULT, answer.result);
    EXPECT_EQ(kGreen, answer.text);
}

TEST_F(RowColouring, OddRowsAskForSubItemsAndTakeTheirColourAtTheFirstCell)
{
    for (int row : {1, 3}) {
        SCOPED_TRACE(row);
        const Answer item = Ask(CDDS_ITEMPREPAINT, row);
        EXPECT_EQ(CDRF_NOTIFYSUBITEMDRAW, item.result);
        EXPECT_EQ(kUntouched, item.text);
    }
    Answer answer = Ask(kSubItemPrepaint, 1, 0);
    EXPECT_EQ(CDRF_DODEFAULT, answer.result);
    EXPECT_EQ(kGreen, answer.text); // affected model, fixed revision
    answer = Ask(kSubItemPrepaint, 3, 0);
    EXPECT_EQ(CDRF_DODEFAULT, answer.result);
    EXPECT_EQ(kRed, answer.text);
    EXPECT_EQ(kUntouched, answer.background);
}

TEST_F(RowColouring, OtherCellsAndStagesLeaveTheColours)
{
    for (int subItem : {1, 2}) {
        const Answer answer = Ask(kSubItemPrepaint, 3, subItem);
        EXPECT_EQ(CDRF_DODEFAULT, answer.result);
        EXPECT_EQ(kUntouched, answer.text);
    }
    // The colour rule looks only at the first cell, even at the item stage.
    EXPECT_EQ(kUntouched, Ask(CDDS_ITEMPREPAINT, 0, 1).text);
    for (DWORD stage : {static_cast<DWORD>(CDDS_POSTPAINT), static_cast<DWORD>(CDDS_PREERASE),
                        static_cast<DWORD>(CDDS_ITEMPOSTPAINT)}) {
        const Answer answer = Ask(stage, 0);
        EXPECT_EQ(CDRF_DODEFAULT, answer.result) << stage;
        EXPECT_EQ(kUntouched, answer.text) << stage;
    }
}

TEST_F(RowColouring, NotificationsFromAnotherControlAreNotAnswered)
{
    HWND other = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 10, 10,
                                 g_hMainWnd, nullptr, g_hInstance, nullptr);
    const Answer answer = Ask(CDDS_PREPAINT, 0, 0, other);
    EXPECT_EQ(0, answer.result);
    EXPECT_EQ(kUntouched, answer.text);
    DestroyWindow(other);
}

// Paints the list into a bitmap and counts, per row, the pixels drawn in
// exactly red and exactly green.
struct RowPixels {
    int red = 0;
    int green = 0;
};

std::vector<RowPixels> PaintAndCount(int rows)
{
    RECT client;
    GetClientRect(g_hDriveList, &client);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(g_hDriveList, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();

    std::vector<RowPixels> counts(static_cast<std::size_t>(rows));
    const auto* pixels = static_cast<const DWORD*>(bits); // 0x00RRGGBB
    for (int row = 0; row < rows; ++row) {
        RECT rect = {};
        rect.left = LVIR_BOUNDS;
        SendMessageA(g_hDriveList, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&rect));
        for (int y = rect.top; y < rect.bottom && y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) {
                const DWORD pixel = pixels[y * client.right + x];
                counts[static_cast<std::size_t>(row)].red += pixel == 0x00FF0000;
                counts[static_cast<std::size_t>(row)].green += pixel == 0x00008000;
            }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return counts;
}

TEST_F(RowColouring, PaintedRowsShowRedAndGreenText)
{
    const std::vector<RowPixels> rows = PaintAndCount(4);
    const bool red[] = {true, false, false, true};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        const RowPixels& pixels = rows[static_cast<std::size_t>(row)];
        if (red[row]) {
            EXPECT_GT(pixels.red, 20);
            EXPECT_EQ(0, pixels.green);
        } else {
            EXPECT_GT(pixels.green, 20);
            EXPECT_EQ(0, pixels.red);
        }
    }
}

} // namespace
