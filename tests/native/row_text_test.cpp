#include "rows/row_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Composes into a buffer of exactly kComposedTextSize bytes followed by a
// canary, and checks the canary survived.
std::string Compose(const std::string& model, const std::string& serial,
                    const std::string& revision)
{
    std::string buffer(kComposedTextSize + 8, '#');
    ComposeRowText(model.c_str(), serial.c_str(), revision.c_str(), &buffer[0]);
    EXPECT_EQ(std::string(8, '#'), buffer.substr(kComposedTextSize));
    return buffer.c_str();
}

TEST(RowText, JoinsTheThreeCellsOnOneLine)
{
    EXPECT_EQ("Model: ZQ3104562AS, Serial: 5VJ0A1B2, Firmware: CC46",
              Compose("ZQ3104562AS", "5VJ0A1B2", "CC46"));
    EXPECT_EQ("Model: , Serial: , Firmware: ", Compose("", "", ""));
    // Blanks and bytes above 0x7F are copied as they are.
    EXPECT_EQ("Model:  A B , Serial: N/A, Firmware: \xC4\xFF", Compose(" A B ", "N/A", "\xC4\xFF"));
}

TEST(RowText, LongCellsContributeTheirFirst255Characters)
{
    const std::string model(255, 'm'), serial(255, 's'), revision(255, 'r');
    const std::string full = Compose(model, serial, revision);
    EXPECT_EQ(794u, full.size());
    EXPECT_EQ("Model: " + model + ", Serial: " + serial + ", Firmware: " + revision, full);

    EXPECT_EQ(full, Compose(model + std::string(45, 'M'), serial + std::string(45, 'S'),
                            revision + std::string(45, 'R')));
}

} // namespace
