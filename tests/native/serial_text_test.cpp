#include "rows/serial_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool Valid(std::string text)
{
    return IsValidSerialText(&text[0]);
}

TEST(SerialText, LettersAndDigitsOnly)
{
    EXPECT_TRUE(Valid(""));
    EXPECT_TRUE(Valid("ABC123"));
    EXPECT_TRUE(Valid("abc123"));
    EXPECT_TRUE(Valid("Z9"));
    EXPECT_FALSE(Valid("N/A"));
    EXPECT_FALSE(Valid("A B"));
    EXPECT_FALSE(Valid(" AB"));
    EXPECT_FALSE(Valid("A-B"));
    EXPECT_FALSE(Valid("A_B"));
    EXPECT_FALSE(Valid("AB\xE9"));
    EXPECT_FALSE(Valid("\x80"));
    EXPECT_FALSE(Valid("\xFF"
                       "A"));
    // The neighbours of the accepted ranges.
    EXPECT_FALSE(Valid("@"));
    EXPECT_FALSE(Valid("["));
    EXPECT_FALSE(Valid("`"));
    EXPECT_FALSE(Valid("{"));
    EXPECT_FALSE(Valid("/"));
    EXPECT_FALSE(Valid(":"));
}

TEST(SerialText, UpperCasesTheBufferUpToTheFirstBadCharacter)
{
    char text[] = "ab1c";
    EXPECT_TRUE(IsValidSerialText(text));
    EXPECT_STREQ("AB1C", text);

    char bad[] = "ab-cd";
    EXPECT_FALSE(IsValidSerialText(bad));
    EXPECT_STREQ("AB-cd", bad);
}

} // namespace
