#include "rows/row_colour.h"

#include "advisory/advisory.h"

std::uint32_t RowTextColour(const std::string& model, const std::string& revision)
{
    if (!IsAffectedModel(model))
        return kGreenText;
    return IsFixedFirmware(revision) ? kGreenText : kRedText;
}
