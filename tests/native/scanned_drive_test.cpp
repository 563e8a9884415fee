#include "identify/drive_facts.h"
#include "identify/scanned_drive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

DriveFacts Facts(std::uint32_t bus, const std::string& vendor = "", const std::string& product = "",
                 bool removable = false)
{
    DriveFacts facts;
    facts.read = true;
    facts.bus = bus;
    facts.removable = removable;
    facts.vendor = vendor;
    facts.product = product;
    return facts;
}

// Bus numbers as Windows gives them.
enum : std::uint32_t {
    Scsi = 1,
    Ata = 3,
    Usb = 7,
    Raid = 8,
    IScsi = 9,
    Sas = 10,
    Sata = 11,
    Sd = 12,
    Mmc = 13,
    Virtual = 14,
    FileBacked = 15,
    Spaces = 16,
    Nvme = 17,
};

TEST(IncompleteVerdict, OnlyAnUnreadDriveThatCouldHoldAnAtaDriveCounts)
{
    const struct {
        const char* what;
        DriveFacts facts;
        bool nvmeOnlyBridge;
        bool counts;
    } cases[] = {
        {"facts unknown", DriveFacts(), false, true},
        {"SATA disk", Facts(Sata, "", "ST1000DM010"), false, true},
        {"ATA disk", Facts(Ata), false, true},
        {"RAID volume", Facts(Raid, "Intel", "Raid 0 Volume"), false, true},
        {"USB enclosure", Facts(Usb, "JMicron", "Generic"), false, true},
        {"USB stick", Facts(Usb, "Corvane", "Flash", true), false, false},
        {"NVMe behind a USB bridge", Facts(Usb, "Realtek", "RTL9210"), true, false},
        {"SAS HBA, SATA drive", Facts(Sas, "ATA", "ST4000NM0033"), false, true},
        {"SCSI, SATA drive", Facts(Scsi, "ATA", "WDC WD10EZEX"), false, true},
        {"SAS drive", Facts(Sas, "SEAGATE", "ST600MM0006"), false, false},
        {"NVMe", Facts(Nvme, "NVMe", "Corvane NV2"), false, false},
        {"NVMe behind Intel's RAID driver", Facts(Raid, "NVMe", "CORVANE NV2 1TB"), false, false},
        {"SD card", Facts(Sd), false, false},
        {"MMC", Facts(Mmc), false, false},
        {"virtual bus", Facts(Virtual), false, false},
        {"file-backed", Facts(FileBacked), false, false},
        {"Storage Spaces", Facts(Spaces), false, false},
        {"iSCSI", Facts(IScsi, "ATA"), false, false},
        {"unknown bus", Facts(0), false, false},
        {"VirtualBox disk on SATA", Facts(Sata, "", "VBOX HARDDISK"), false, false},
        {"QEMU disk on ATA", Facts(Ata, "", "QEMU HARDDISK"), false, false},
        {"Hyper-V disk on SCSI", Facts(Scsi, "Msft", "Virtual Disk"), false, false},
        {"VMware disk on SAS", Facts(Sas, "VMware,", "VMware Virtual S"), false, false},
    };
    const DriveOutcome unread[] = {DriveOutcome::Refused, DriveOutcome::GivenUp,
                                   DriveOutcome::NotOpened, DriveOutcome::NotScanned};
    const DriveOutcome read[] = {DriveOutcome::Read, DriveOutcome::SameDrive,
                                 DriveOutcome::RaidVolume};
    for (const auto& c : cases) {
        ScannedDrive drive;
        drive.facts = c.facts;
        drive.nvmeOnlyBridge = c.nvmeOnlyBridge;
        for (DriveOutcome outcome : unread) {
            drive.outcome = outcome;
            EXPECT_EQ(c.counts, MakesVerdictIncomplete(drive))
                << c.what << " " << OutcomeKey(outcome);
        }
        for (DriveOutcome outcome : read) {
            drive.outcome = outcome;
            EXPECT_FALSE(MakesVerdictIncomplete(drive)) << c.what << " " << OutcomeKey(outcome);
        }
        // A port stands for its drives, which count on their own.
        drive.port = true;
        for (DriveOutcome outcome : unread) {
            drive.outcome = outcome;
            EXPECT_FALSE(MakesVerdictIncomplete(drive)) << c.what << " port";
        }
    }
}

// A storage device descriptor as drivers return it: the header, then the
// texts at the offsets it names.
std::vector<unsigned char> DeviceDescriptor(std::uint32_t bus, bool removable,
                                            const std::string& vendor, const std::string& product,
                                            const std::string& revision)
{
    std::vector<unsigned char> reply(40, 0);
    auto put32 = [&](std::size_t at, std::size_t value) {
        for (int i = 0; i < 4; ++i)
            reply[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    auto text = [&](std::size_t field, const std::string& value) {
        put32(field, reply.size());
        for (char c : value + '\0')
            reply.push_back(static_cast<unsigned char>(c));
    };
    put32(0, 1);
    reply[10] = removable ? 1 : 0;
    put32(28, bus);
    text(12, vendor);
    text(16, product);
    text(20, revision);
    put32(4, reply.size());
    return reply;
}

TEST(DriveFactsReading, DescriptorsGiveBusRemovabilityAndTextsWithinWhatWasReturned)
{
    DriveFacts facts;
    std::vector<unsigned char> reply = DeviceDescriptor(Usb, false, "JMicron ", "Tech    ", "0508");
    ASSERT_TRUE(ReadDeviceDescriptorFacts(reply.data(), reply.size(), reply.size(), facts));
    EXPECT_TRUE(facts.read);
    EXPECT_EQ(static_cast<std::uint32_t>(Usb), facts.bus);
    EXPECT_FALSE(facts.removable);
    EXPECT_EQ("JMicron", facts.vendor);
    EXPECT_EQ("Tech", facts.product);
    EXPECT_EQ("0508", facts.revision);

    // Texts past what the driver returned are not read, however far the
    // buffer goes; a reply that ends before the bus tells nothing.
    DriveFacts cut;
    ASSERT_TRUE(ReadDeviceDescriptorFacts(reply.data(), reply.size(), 45, cut));
    EXPECT_EQ("JMicr", cut.vendor);
    EXPECT_EQ("", cut.product);
    DriveFacts none;
    EXPECT_FALSE(ReadDeviceDescriptorFacts(reply.data(), reply.size(), 31, none));
    EXPECT_FALSE(none.read);

    std::vector<unsigned char> stick = DeviceDescriptor(Usb, true, "", "", "");
    ASSERT_TRUE(ReadDeviceDescriptorFacts(stick.data(), stick.size(), 4096, facts));
    EXPECT_TRUE(facts.removable);

    std::vector<unsigned char> adapter(32, 0);
    adapter[24] = Raid;
    EXPECT_TRUE(ReadAdapterDescriptorFacts(adapter.data(), adapter.size(), adapter.size(), facts));
    EXPECT_EQ(static_cast<std::uint32_t>(Raid), facts.adapterBus);
    EXPECT_FALSE(ReadAdapterDescriptorFacts(adapter.data(), adapter.size(), 24, facts));
}

TEST(ScannedDriveLines, EachDriveGivenUpAndEachThatLeavesTheVerdictIncompleteIsOneLine)
{
    ScannedDrive silent;
    silent.where = "PhysicalDrive1";
    silent.outcome = DriveOutcome::GivenUp;
    silent.request = IdentifyRequest::Sat16;
    ScannedDrive stick = silent;
    stick.facts = Facts(Usb, "", "", true);
    stick.step = ScanStep::Open;
    ScannedDrive refused;
    refused.where = "PhysicalDrive2";
    refused.facts = Facts(Usb, "JMicron", "Generic");
    ScannedDrive locked;
    locked.where = "Scsi3: port 1";
    locked.outcome = DriveOutcome::NotOpened;
    locked.error = 5;
    ScannedDrive card = refused;
    card.facts = Facts(Sd);
    ScannedDrive past = refused;
    past.where = "PhysicalDrive40";
    past.outcome = DriveOutcome::NotScanned;
    ScannedDrive port;
    port.where = "Scsi2:";
    port.port = true;
    port.outcome = DriveOutcome::GivenUp;
    port.step = ScanStep::CsmiPhyInfo;

    const struct {
        ScannedDrive drive;
        bool verdict;
        std::string line;
    } cases[] = {
        {silent, true,
         "warning: \\\\.\\PhysicalDrive1 did not answer ATA PASS-THROUGH (16) within 4 seconds; "
         "the drive was given up, so the verdict is incomplete"},
        {silent, false,
         "warning: \\\\.\\PhysicalDrive1 did not answer ATA PASS-THROUGH (16) within 4 seconds; "
         "the drive was given up"},
        {stick, true,
         "warning: \\\\.\\PhysicalDrive1 did not answer the open within 4 seconds; the drive was "
         "given up"},
        {refused, true,
         "warning: \\\\.\\PhysicalDrive2 (USB, JMicron Generic) gave its identity to no request, "
         "so the verdict is incomplete"},
        {refused, false, ""},
        {locked, true,
         "warning: \\\\.\\Scsi3: port 1 could not be opened (error 5), so the verdict is "
         "incomplete"},
        {card, true, ""},
        {past, true,
         "warning: \\\\.\\PhysicalDrive40 (USB, JMicron Generic) is past the drives the scan "
         "asks for their identity, so the verdict is incomplete"},
        {port, true,
         "warning: \\\\.\\Scsi2: did not answer the CSMI phy information request within 4 "
         "seconds; the port was given up"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.line, ScannedDriveLine(c.drive, 4000, c.verdict));
}

} // namespace
