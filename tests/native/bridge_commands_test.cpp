#include "identify/bridge_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using P = BridgeProtocol;

// What one command must be: its CDB (the rest of its 16 bytes zero), the
// bytes it reads, and what it is for.
enum class Role { Identity, Sends, Completion };
struct Expected {
    Bytes cdb;
    std::size_t length;
    Role role = Role::Identity;
};

TEST(BridgeCommands, MatchEachBridgesPublishedLayout)
{
    // The block JMicron's NVMe bridges are sent first, in 32-bit
    // little-endian words: "NVME", the admin opcode (06h, Identify) in word
    // 2, the namespace (0, the controller) in word 3, CDW10 (CNS 01h) in 12.
    Bytes block(512, 0);
    std::copy_n("NVME", 4, block.begin());
    block[8] = 0x06;
    block[48] = 0x01;
    const std::pair<P, std::vector<Expected>> cases[] = {
        // DFh: read, length 0200h, features, count 1, LBA, device A0h, IDENTIFY DEVICE.
        {P::JMicronAta, {{{0xDF, 0x10, 0, 0x02, 0x00, 0, 1, 0, 0, 0, 0xA0, 0xEC}, 512}}},
        // ATACB 24h 24h: identify data, registers BEh, 1 block, task file from byte 5.
        {P::CypressAta, {{{0x24, 0x24, 0x80, 0xBE, 1, 0, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0, 0}, 512}}},
        // F8h 22h: PIO in, 1 sector, task file as JMicron's.
        {P::SunplusAta, {{{0xF8, 0, 0x22, 0x10, 1, 0, 1, 0, 0, 0, 0xA0, 0xEC}, 512}}},
        // D8h: read (15h), check word 067Bh, length 00000200h, task file.
        {P::ProlificAta,
         {{{0xD8, 0x15, 0, 0, 0x06, 0x7B, 0, 0, 0x02, 0x00, 1, 0, 0, 0, 0xA0, 0xEC}, 512}}},
        // E6h: opcode 06h, CDW10 01h in byte 3, its upper half (bytes 6-7) zero.
        {P::AsmediaNvme, {{{0xE6, 0x06, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 4096}}},
        // E4h: length 1000h little-endian, opcode 06h, CNS 01h.
        {P::RealtekNvme, {{{0xE4, 0x00, 0x10, 0x06, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 4096}}},
        // A1h: admin (80h) plus the step, 24-bit big-endian length: send the
        // block, read the page, read the completion.
        {P::JMicronNvme,
         {{{0xA1, 0x80, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}, 0, Role::Sends},
          {{0xA1, 0x82, 0, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0}, 4096},
          {{0xA1, 0x8F, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}, 512, Role::Completion}}},
        {P::None, {}},
    };
    for (const auto& [protocol, expected] : cases) {
        SCOPED_TRACE(static_cast<int>(protocol));
        const std::vector<BridgeCommand> commands = BridgeIdentifyCommands(protocol);
        ASSERT_EQ(expected.size(), commands.size());
        for (std::size_t i = 0; i < commands.size(); ++i) {
            SCOPED_TRACE(i);
            const BridgeCommand& command = commands[i];
            const Expected& e = expected[i];
            Bytes cdb = e.cdb;
            cdb.resize(16, 0);
            EXPECT_EQ(cdb, Bytes(command.cdb, command.cdb + 16));
            EXPECT_EQ(e.cdb.size(), command.cdbLength);
            EXPECT_EQ(e.role != Role::Sends, command.dataIn);
            EXPECT_EQ(e.role == Role::Sends ? block : Bytes(), command.dataOut);
            EXPECT_EQ(e.length, command.dataInLength);
            EXPECT_EQ(e.role == Role::Identity, command.holdsIdentity);
            EXPECT_EQ(e.role == Role::Completion, command.holdsCompletion);
        }
    }
}

TEST(BridgeCommands, AJMicronBridgeIsAskedOnlyThePortItsRegisterNamesAlone)
{
    // DFh with command FDh: read one byte of the bridge's registers, at 72 0Fh.
    const BridgeCommand read = JMicronPortRegisterRead();
    EXPECT_EQ((Bytes{0xDF, 0x10, 0, 0, 0x01, 0, 0x72, 0x0F, 0, 0, 0, 0xFD, 0, 0, 0, 0}),
              Bytes(read.cdb, read.cdb + 16));
    EXPECT_EQ(12u, read.cdbLength);
    EXPECT_TRUE(read.dataIn);
    EXPECT_EQ(1u, read.dataInLength);
    EXPECT_FALSE(read.holdsIdentity);

    // Bit 04h: a drive on port 0; bit 40h: on port 1; other bits say nothing.
    const std::pair<unsigned char, int> ports[] = {{0x04, 0},  {0x40, 1},  {0xBF, 0}, {0x7B, 1},
                                                   {0x44, -1}, {0x00, -1}, {0xBB, -1}};
    for (const auto& [value, port] : ports)
        EXPECT_EQ(port, JMicronDrivePort(value)) << int{value};

    // Port 1's drive is device B0h.
    const BridgeCommand second = BridgeIdentifyCommands(P::JMicronAta, 1).at(0);
    EXPECT_EQ((Bytes{0xDF, 0x10, 0, 0x02, 0x00, 0, 1, 0, 0, 0, 0xB0, 0xEC}),
              Bytes(second.cdb, second.cdb + second.cdbLength));
}

TEST(BridgeCommands, SucceedOnlyWhenStatusAndSenseSayNothingWentWrong)
{
    // Sense data in the fixed format (70h, the key in byte 2) and in the
    // descriptor format (72h, the key in byte 1).
    struct Case {
        const char* name;
        P protocol;
        unsigned char status;
        Bytes sense;
        bool succeeded;
    };
    const Case cases[] = {
        {"good", P::JMicronAta, 0x00, {}, true},
        {"good with recovered", P::RealtekNvme, 0x00, {0x70, 0, 0x01}, true},
        {"good with an error key", P::AsmediaNvme, 0x00, {0x70, 0, 0x05}, false},
        {"check condition, no sense", P::ProlificAta, 0x02, {0x70, 0, 0x00}, true},
        {"check condition, recovered", P::JMicronNvme, 0x02, {0x72, 0x01, 0x00, 0x1D}, true},
        {"illegal request", P::AsmediaNvme, 0x02, {0x70, 0, 0x05}, false},
        {"aborted, descriptor format", P::JMicronNvme, 0x02, {0x72, 0x0B, 0x00, 0x00}, false},
        {"check condition without sense", P::JMicronAta, 0x02, {}, false},
        {"sense cut off before the key", P::JMicronAta, 0x02, {0x70, 0}, false},
        {"not sense data", P::JMicronAta, 0x02, {0x00, 0, 0x00}, false},
        {"Cypress fails any check condition", P::CypressAta, 0x02, {0x70, 0, 0x00}, false},
        {"Cypress good", P::CypressAta, 0x00, {}, true},
        {"busy, whatever the sense", P::RealtekNvme, 0x08, {0x70, 0, 0x00}, false},
        {"no protocol", P::None, 0x00, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.succeeded,
                  BridgeCommandSucceeded(c.protocol, c.status, c.sense.data(), c.sense.size()));
    }
}

// A completion as JMicron's NVMe bridges return it: "NVME", then the NVMe
// completion queue entry in words 2 to 5; word 5 holds the phase tag (bit
// 16) and the status field (bits 31-17).
bool CompletionSucceeded(std::uint32_t word5, P protocol = P::JMicronNvme, std::size_t size = 512,
                         const char* signature = "NVME")
{
    Bytes reply(512, 0);
    std::copy_n(signature, 4, reply.begin());
    for (int i = 0; i < 4; ++i)
        reply[20 + i] = static_cast<unsigned char>(word5 >> (8 * i));
    const Bytes cut(reply.begin(), reply.begin() + size); // a read past it is caught
    return BridgeCompletionSucceeded(protocol, cut.data(), cut.size());
}

TEST(BridgeCommands, JMicronNvmeCompletionShowsTheDrivesStatus)
{
    const std::uint32_t phase = 1u << 16;
    EXPECT_TRUE(CompletionSucceeded(phase));
    EXPECT_TRUE(CompletionSucceeded(0));
    EXPECT_FALSE(CompletionSucceeded(phase | 0x02u << 17)); // invalid field
    EXPECT_FALSE(CompletionSucceeded(1u << 31));            // do not retry, alone
    EXPECT_FALSE(CompletionSucceeded(phase, P::JMicronNvme, 512, "NVMX"));
    EXPECT_FALSE(CompletionSucceeded(phase, P::JMicronNvme, 23)); // too short for word 5
    EXPECT_FALSE(CompletionSucceeded(phase, P::AsmediaNvme));     // no completion there
}

} // namespace
