#pragma once

#include <windows.h>

#include <cstddef>

// A thin typed wrapper of a report-style list-view control: every list-view
// message of the program goes through it. It owns nothing; copies are cheap.
class ListView {
public:
    explicit ListView(HWND hwnd) : hwnd(hwnd) {}

    HWND Handle() const { return hwnd; }

    // The number of rows.
    int Count() const;

    // Appends a row whose cells hold `texts` (`count` of them, the first in
    // the item itself), and returns its index, or -1 when the control refuses.
    int AppendRow(const char* const* texts, int count) const;

    // Removes every row.
    void DeleteAllRows() const;

    // Reads cell `column` of `row` into `text` (`size` bytes, at least one),
    // always terminated; the empty text when there is no such cell.
    void ReadCell(int row, int column, char* text, std::size_t size) const;

    // The row with the focus, the first selected row: -1 when there is none.
    int FocusedRow() const;
    int FirstSelectedRow() const;

    // Adds a left-aligned column with a header text and a width in pixels.
    void InsertColumn(int index, const char* header, int width) const;

    // Sets the extended list-view styles (LVS_EX_*) to exactly `style`.
    void SetExtendedStyle(DWORD style) const;

private:
    int NextItem(UINT flags) const;

    HWND hwnd;
};
