#include "identify/bridge_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// What one command must be. Most read the identity; JMicron's NVMe bridges
// also take a block first and give a completion last.
struct Expected {
    Bytes cdb;
    bool dataIn;
    Bytes dataOut;
    std::size_t dataInLength;
    bool identity, completion;
};

Expected ReadsIdentity(const Bytes& cdb, std::size_t length)
{
    return {cdb, true, {}, length, true, false};
}

// The block JMicron's NVMe bridges take in their first step: 32-bit
// little-endian words, "NVME" in word 0, the admin opcode in word 2 (06h,
// Identify), the namespace in word 3 (0: the controller), CDW10 in word 12
// (CNS 01h, Identify Controller), the rest zero.
Bytes JMicronIdentifyBlock()
{
    Bytes block(512, 0);
    const char signature[] = "NVME";
    std::copy(signature, signature + 4, block.begin());
    block[8] = 0x06;
    block[48] = 0x01;
    return block;
}

TEST(BridgeCommands, MatchEachBridgesPublishedLayout)
{
    struct Case {
        BridgeProtocol protocol;
        std::vector<Expected> commands;
    };
    const Case cases[] = {
        // JMicron DFh: read bit, length 0200h, features, count 1, LBA 0,
        // device A0h (first port), command ECh (IDENTIFY DEVICE).
        {BridgeProtocol::JMicronAta,
         {ReadsIdentity({0xDF, 0x10, 0, 0x02, 0x00, 0, 1, 0, 0, 0, 0xA0, 0xEC}, 512)}},
        // Cypress ATACB: signature 24h, subcommand 24h, IdentifyPacketDevice
        // (80h), registers features/count/LBA/command (BEh), 1 block, then the
        // task file: device control, features, count 1, LBA low/mid/high,
        // device, command ECh; 3 reserved bytes.
        {BridgeProtocol::CypressAta,
         {ReadsIdentity({0x24, 0x24, 0x80, 0xBE, 1, 0, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0, 0}, 512)}},
        // Sunplus F8h: subcommand 22h, PIO in (10h), 1 sector, features,
        // count 1, LBA 0, device A0h, command ECh.
        {BridgeProtocol::SunplusAta,
         {ReadsIdentity({0xF8, 0, 0x22, 0x10, 1, 0, 1, 0, 0, 0, 0xA0, 0xEC}, 512)}},
        // Prolific D8h: read, normal (15h), features, check word 067Bh,
        // length 00000200h, count 1, LBA 0, device A0h, command ECh.
        {BridgeProtocol::ProlificAta,
         {ReadsIdentity({0xD8, 0x15, 0, 0, 0x06, 0x7B, 0, 0, 0x02, 0x00, 1, 0, 0, 0, 0xA0, 0xEC},
                        512)}},
        // ASMedia E6h: opcode 06h, CDW10 low byte 01h (byte 3), upper CDW10
        // in bytes 6-7 zero.
        {BridgeProtocol::AsmediaNvme,
         {ReadsIdentity({0xE6, 0x06, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 4096)}},
        // Realtek E4h: length 1000h little-endian, opcode 06h, CNS 01h.
        {BridgeProtocol::RealtekNvme,
         {ReadsIdentity({0xE4, 0x00, 0x10, 0x06, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 4096)}},
        // JMicron NVMe A1h: admin (80h) plus the step, 24-bit big-endian
        // length: send the 512-byte block, read the 4096-byte page, read the
        // 512-byte completion.
        {BridgeProtocol::JMicronNvme,
         {{{0xA1, 0x80, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0},
           false,
           JMicronIdentifyBlock(),
           0,
           false,
           false},
          ReadsIdentity({0xA1, 0x82, 0, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0}, 4096),
          {{0xA1, 0x8F, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}, true, {}, 512, false, true}}},
        {BridgeProtocol::None, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.protocol));
        const std::vector<BridgeCommand> commands = BridgeIdentifyCommands(c.protocol);
        ASSERT_EQ(c.commands.size(), commands.size());
        for (std::size_t i = 0; i < commands.size(); ++i) {
            SCOPED_TRACE(i);
            const BridgeCommand& command = commands[i];
            const Expected& expected = c.commands[i];
            ASSERT_EQ(expected.cdb.size(), command.cdbLength);
            EXPECT_EQ(expected.cdb, Bytes(command.cdb, command.cdb + command.cdbLength));
            EXPECT_EQ(Bytes(16 - command.cdbLength, 0),
                      Bytes(command.cdb + command.cdbLength, command.cdb + 16));
            EXPECT_EQ(expected.dataIn, command.dataIn);
            EXPECT_EQ(expected.dataOut, command.dataOut);
            EXPECT_EQ(expected.dataInLength, command.dataInLength);
            EXPECT_EQ(expected.identity, command.holdsIdentity);
            EXPECT_EQ(expected.completion, command.holdsCompletion);
        }
    }
}

TEST(BridgeCommands, SucceedOnlyWhenStatusAndSenseSayNothingWentWrong)
{
    const Bytes noSense = {0x70, 0, 0x00, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes recovered = {0x70, 0, 0x01, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0x1D, 0, 0, 0, 0};
    const Bytes illegalOpcode = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0};
    const Bytes mediumError = {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0, 0, 0, 0, 0};
    const Bytes descriptorAborted = {0x72, 0x0B, 0x00, 0x00, 0, 0, 0, 0};
    const Bytes descriptorRecovered = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0};
    const Bytes cutOff = {0x70, 0};
    const Bytes notSense = {0x00, 0, 0x00};
    struct Case {
        const char* name;
        BridgeProtocol protocol;
        unsigned char status;
        Bytes sense;
        bool succeeded;
    };
    const Case cases[] = {
        {"good", BridgeProtocol::JMicronAta, 0x00, {}, true},
        {"good with recovered", BridgeProtocol::RealtekNvme, 0x00, recovered, true},
        {"good with an error key", BridgeProtocol::AsmediaNvme, 0x00, illegalOpcode, false},
        {"check condition, no sense", BridgeProtocol::ProlificAta, 0x02, noSense, true},
        {"check condition, recovered", BridgeProtocol::JMicronNvme, 0x02, descriptorRecovered,
         true},
        {"unknown opcode", BridgeProtocol::AsmediaNvme, 0x02, illegalOpcode, false},
        {"ATA error as medium error", BridgeProtocol::SunplusAta, 0x02, mediumError, false},
        {"aborted, descriptor format", BridgeProtocol::JMicronNvme, 0x02, descriptorAborted, false},
        {"check condition without sense", BridgeProtocol::JMicronAta, 0x02, {}, false},
        {"sense cut off before the key", BridgeProtocol::JMicronAta, 0x02, cutOff, false},
        {"not sense data", BridgeProtocol::JMicronAta, 0x02, notSense, false},
        {"Cypress fails any check condition", BridgeProtocol::CypressAta, 0x02, noSense, false},
        {"Cypress good", BridgeProtocol::CypressAta, 0x00, {}, true},
        {"busy", BridgeProtocol::RealtekNvme, 0x08, {}, false},
        {"no protocol", BridgeProtocol::None, 0x00, {}, false},
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
Bytes Completion(std::uint32_t word5, std::size_t size = 512)
{
    Bytes reply(size, 0);
    const char signature[] = "NVME";
    std::copy(signature, signature + 4, reply.begin());
    for (int i = 0; i < 4 && 20 + i < static_cast<int>(size); ++i)
        reply[20 + i] = static_cast<unsigned char>(word5 >> (8 * i));
    return reply;
}

TEST(BridgeCommands, JMicronNvmeCompletionShowsTheDrivesStatus)
{
    const std::uint32_t phase = 1u << 16;
    const std::uint32_t invalidField = 0x02u << 17; // generic status, invalid field
    Bytes wrongSignature = Completion(phase);
    wrongSignature[3] = 'X';
    struct Case {
        const char* name;
        BridgeProtocol protocol;
        Bytes data;
        bool succeeded;
    };
    const Case cases[] = {
        {"success", BridgeProtocol::JMicronNvme, Completion(phase), true},
        {"success, phase clear", BridgeProtocol::JMicronNvme, Completion(0), true},
        {"invalid field", BridgeProtocol::JMicronNvme, Completion(phase | invalidField), false},
        {"do not retry bit alone", BridgeProtocol::JMicronNvme, Completion(1u << 31), false},
        {"wrong signature", BridgeProtocol::JMicronNvme, wrongSignature, false},
        {"too short for word 5", BridgeProtocol::JMicronNvme, Completion(phase, 23), false},
        {"no completion in this protocol", BridgeProtocol::AsmediaNvme, Completion(phase), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.succeeded, BridgeCompletionSucceeded(c.protocol, c.data.data(), c.data.size()));
    }
}

} // namespace
