#include "platform/bounded_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A buffer of `capacity` bytes followed by canary bytes that must survive.
struct GuardedBuffer {
    static constexpr std::size_t kCanary = 8;
    explicit GuardedBuffer(std::size_t capacity)
        : capacity(capacity), bytes(capacity + kCanary, '#')
    {
    }
    char* data() { return &bytes[0]; }
    bool CanaryIntact() const
    {
        return bytes.compare(capacity, kCanary, std::string(kCanary, '#')) == 0;
    }
    std::size_t capacity;
    std::string bytes;
};

TEST(BoundedText, AppendStopsAtCapacityAndTerminates)
{
    GuardedBuffer buffer(16);
    EXPECT_EQ(10u, CopyText(buffer.data(), buffer.capacity, "0123456789"));
    EXPECT_EQ(15u, AppendText(buffer.data(), buffer.capacity, "abcdefghij"));
    EXPECT_STREQ("0123456789abcde", buffer.data());
    EXPECT_TRUE(buffer.CanaryIntact());

    EXPECT_EQ(15u, AppendText(buffer.data(), buffer.capacity, "more"));
    EXPECT_TRUE(buffer.CanaryIntact());
}

TEST(BoundedText, CopyCutsLongTextAndHandlesTinyBuffers)
{
    GuardedBuffer buffer(4);
    EXPECT_EQ(3u, CopyText(buffer.data(), buffer.capacity, "longer text"));
    EXPECT_STREQ("lon", buffer.data());
    EXPECT_TRUE(buffer.CanaryIntact());

    GuardedBuffer one(1);
    EXPECT_EQ(0u, CopyText(one.data(), one.capacity, "x"));
    EXPECT_EQ('\0', one.data()[0]);
    EXPECT_TRUE(one.CanaryIntact());

    GuardedBuffer none(0);
    EXPECT_EQ(0u, CopyText(none.data(), none.capacity, "x"));
    EXPECT_TRUE(none.CanaryIntact());
}

TEST(BoundedText, AppendToAnUnterminatedBufferStaysInside)
{
    // A buffer whose text filled it without a terminator is cut, not overrun.
    GuardedBuffer buffer(8);
    std::memset(buffer.data(), 'x', buffer.capacity);
    EXPECT_EQ(7u, AppendText(buffer.data(), buffer.capacity, "y"));
    EXPECT_STREQ("xxxxxxx", buffer.data());
    EXPECT_TRUE(buffer.CanaryIntact());
}

TEST(BoundedText, OneLineCopyTurnsControlCharactersIntoSpacesAndCuts)
{
    const struct {
        const char* src;
        std::size_t capacity;
        const char* expected;
    } cases[] = {
        {"first\r\nsecond\tthird", 32, "first  second third"},
        // A terminal's escape sequence loses its escape; UTF-8 stays as it is.
        {"\x1B[2J\x7F", 32, " [2J "},
        {"caf\xC3\xA9", 32, "caf\xC3\xA9"},
        {"long\ntext", 6, "long "},
        {"", 4, ""},
    };
    for (const auto& c : cases) {
        GuardedBuffer buffer(c.capacity);
        EXPECT_EQ(std::strlen(c.expected), CopyOneLine(buffer.data(), buffer.capacity, c.src));
        EXPECT_STREQ(c.expected, buffer.data()) << c.src;
        EXPECT_TRUE(buffer.CanaryIntact()) << c.src;
    }
}

} // namespace
