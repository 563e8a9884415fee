#include "discovery/parse_warning.h"
#include "tests/win32/support/message_box_watcher.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseWarning, ShowsAnOwnerlessExclamationBoxWithOnlyOk)
{
    MessageBoxWatcher watcher("Vestrel");
    ShowParseWarning(); // returns once the watcher has pressed OK
    const auto& boxes = watcher.Wait();

    ASSERT_EQ(1u, boxes.size());
    const SeenMessageBox& box = boxes[0];
    EXPECT_EQ("Index out of range exception caught.  The device id string was unreadable by "
              "Vestrel.",
              box.text);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttonIds);
    ASSERT_TRUE(box.hasIcon);
    EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), box.icon);
}

} // namespace
