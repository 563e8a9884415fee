#include "tests/win32/support/remote_rows.h"

#include <commctrl.h>

std::vector<Row> RemoteRows(HANDLE process, HWND list)
{
    constexpr SIZE_T kText = 256;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
    std::vector<Row> rows;
    if (!remote)
        return rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        Row cells;
        for (int column = 0; column < 3; ++column) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = remote + sizeof(LVITEMA);
            item.cchTextMax = kText;
            char text[kText] = {};
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            WriteProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof text, nullptr);
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof text, nullptr);
            text[kText - 1] = 0;
            cells.push_back(text);
        }
        rows.push_back(cells);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return rows;
}
