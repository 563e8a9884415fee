#include "identify/rst_nvme.h"
#include "platform/little_endian.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    WriteLittleEndian32(&bytes[at], value);
}

// The pass-through as Intel's driver takes it: SRB_IO_CONTROL (28 bytes:
// header length, "IntelNvm", a 3-second timeout, control code F0002808h,
// return code, the 4,232 bytes after it); version 1, the path, target and
// LUN 0; the NVMe command at 32 (Identify, 06h; CNS 1 in dword 10, at 72);
// the queue select and completion, zero; the data's offset (164) and length
// (4,096) at 116 and 120; 40 reserved bytes; the page, zero.
Bytes Layout(unsigned char pathId)
{
    Bytes bytes(164 + 4096, 0);
    Put32(bytes, 0, 28);
    std::memcpy(&bytes[4], "IntelNvm", 8);
    Put32(bytes, 12, 3);
    Put32(bytes, 16, 0xF0002808);
    Put32(bytes, 24, 164 + 4096 - 28);
    bytes[28] = 1;
    bytes[29] = pathId;
    bytes[32] = 0x06;
    Put32(bytes, 72, 1);
    Put32(bytes, 116, 164);
    Put32(bytes, 120, 4096);
    return bytes;
}

TEST(RstNvme, RequestIsIdentifyControllerToTheDrivesPath)
{
    EXPECT_EQ(Layout(3), RstNvmeIdentifyRequest(3));
}

// A reply as the driver fills the request: the page at 164, numbered so that
// no byte of it is zero.
Bytes Reply()
{
    Bytes reply = Layout(3);
    for (std::size_t i = 0; i < 4096; ++i)
        reply[164 + i] = static_cast<unsigned char>(i % 251 + 1);
    return reply;
}

// A completion's dword 3 written where a layout puts it: at 96 or at 100.
Bytes WithCompletion(std::size_t at, std::uint32_t dword2, std::uint32_t dword3)
{
    Bytes reply = Reply();
    Put32(reply, at + 8, dword2);
    Put32(reply, at + 12, dword3);
    return reply;
}

// The page a reply gives (the first `size` bytes of `reply`, of which the
// driver filled `returned`), or none.
Bytes Page(const Bytes& reply, std::size_t returned, std::size_t size)
{
    const Bytes buffer(reply.begin(), reply.begin() + size); // a read past it is caught
    NvmeIdentifyPage page{};
    if (!ReadRstNvmeIdentify(buffer.data(), buffer.size(), returned, page))
        return {};
    return Bytes(page.begin(), page.end());
}

TEST(RstNvme, ReplyGivesThePageOnlyWhenTheDriveSaysSo)
{
    const Bytes whole = Reply();
    const Bytes page(whole.begin() + 164, whole.end());
    // An admin completion: submission queue 0, head 5, command 12h, phase set.
    constexpr std::uint32_t kQueueHead5 = 5;
    constexpr std::uint32_t kGood = 0x00010012;
    constexpr std::uint32_t kInvalidField = 0x00050012; // status code 02h
    Bytes zeroPage = Reply();
    std::fill(zeroPage.begin() + 164, zeroPage.end(), 0);
    struct Case {
        const char* what;
        Bytes reply;
        std::size_t returned;
        std::size_t size;
        bool read;
    };
    const Case cases[] = {
        {"whole and good", whole, 4260, 4260, true},
        {"completion at 96", WithCompletion(96, kQueueHead5, kGood), 4260, 4260, true},
        {"completion at 100", WithCompletion(100, kQueueHead5, kGood), 4260, 4260, true},
        {"error at 96", WithCompletion(96, kQueueHead5, kInvalidField), 4260, 4260, false},
        {"error at 100", WithCompletion(100, kQueueHead5, kInvalidField), 4260, 4260, false},
        {"short by one byte", whole, 4259, 4260, false},
        {"returned larger than the buffer", whole, 100000, 4260, true},
        {"returned larger than a short buffer", whole, 100000, 4259, false},
        {"nothing returned", whole, 0, 4260, false},
        {"all-zero page", zeroPage, 4260, 4260, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.read ? page : Bytes(), Page(c.reply, c.returned, c.size));
    }
}

} // namespace
