#include "app/list_colouring.h"

#include "app/list_view.h"
#include "rows/row_colour.h"

#include <cstddef>

namespace {

constexpr std::size_t kColourCellSize = 2048;

// Colours the row of this notification; only its first cell decides.
void ApplyColourRule(NMLVCUSTOMDRAW* draw)
{
    if (draw->iSubItem != 0)
        return;
    const ListView list(draw->nmcd.hdr.hwndFrom);
    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
    char model[kColourCellSize] = {};
    char revision[kColourCellSize] = {};
    list.ReadCell(row, 0, model, sizeof model);
    list.ReadCell(row, 2, revision, sizeof revision);
    draw->clrText = RowTextColour(model, revision);
}

} // namespace

LRESULT AnswerDriveListCustomDraw(NMLVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        // Odd rows take their colour at the first cell's own notification.
        if ((draw->nmcd.dwItemSpec & 1) != 0)
            return CDRF_NOTIFYSUBITEMDRAW;
        ApplyColourRule(draw);
        return CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        ApplyColourRule(draw);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}
