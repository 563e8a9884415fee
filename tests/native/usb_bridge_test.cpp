#include "identify/usb_bridge.h"

#include <gtest/gtest.h>

namespace {

// Hardware ids as Windows gives them, what they read as, and the protocol the
// bridge gets. The protocols follow the USB section of the public drive-tool
// database (smartmontools' drivedb.h).
TEST(UsbBridge, HardwareIdGivesTheBridgesProtocolOnlyWhenItIsSure)
{
    constexpr int kNoRevision = -1;
    using P = BridgeProtocol;
    struct Case {
        const char* text;
        unsigned vendor, product;
        int revision;
        BridgeProtocol protocol;
        bool onlyNvme; // every drive behind it is an NVMe drive
    };
    const Case cases[] = {
        // Any case; revision and interface optional.
        {"USB\\VID_152D&PID_2338&REV_0100", 0x152D, 0x2338, 0x0100, P::JMicronAta, false},
        {"usb\\vid_04fc&pid_0c25&rev_0103", 0x04FC, 0x0C25, 0x0103, P::SunplusAta, false},
        {"USB\\Vid_0bda&Pid_9210&Rev_2100", 0x0BDA, 0x9210, 0x2100, P::RealtekNvme, false},
        {"USB\\VID_067B&PID_2773", 0x067B, 0x2773, kNoRevision, P::ProlificAta, false},
        {"USB\\VID_04E8&PID_4001&REV_0100&MI_00", 0x04E8, 0x4001, 0x0100, P::AsmediaNvme, true},
        {"USB\\VID_174C&PID_2362&MI_01", 0x174C, 0x2362, kNoRevision, P::AsmediaNvme, true},
        // NVMe bridges whose chip also takes SATA drives.
        {"USB\\VID_152D&PID_0581&REV_4204", 0x152D, 0x0581, 0x4204, P::JMicronNvme, false},
        {"USB\\VID_21C4&PID_B083", 0x21C4, 0xB083, kNoRevision, P::RealtekNvme, false},
        // One id, two bridges: only the revision named for the vendor
        // command gets it; another revision, or none, gets the translation.
        {"USB\\VID_04B4&PID_6830&REV_0240", 0x04B4, 0x6830, 0x0240, P::CypressAta, false},
        {"USB\\VID_04B4&PID_6830&REV_0001", 0x04B4, 0x6830, 0x0001, P::None, false},
        {"USB\\VID_04E8&PID_6032&REV_0000", 0x04E8, 0x6032, 0x0000, P::JMicronAta, false},
        {"USB\\VID_04E8&PID_6032&REV_0100", 0x04E8, 0x6032, 0x0100, P::None, false},
        {"USB\\VID_04E8&PID_6032", 0x04E8, 0x6032, kNoRevision, P::None, false},
        // SATA adapters with the JMS583's id: the JMicron NVMe sequence
        // would reset the drive, so only a JMS583 revision gets it.
        {"USB\\VID_152D&PID_0583&REV_0214", 0x152D, 0x0583, 0x0214, P::JMicronNvme, true},
        {"USB\\VID_152D&PID_0583&REV_0414", 0x152D, 0x0583, 0x0414, P::None, false},
        {"USB\\VID_152D&PID_0583", 0x152D, 0x0583, kNoRevision, P::None, false},
        // Named for NVMe and for SATA with nothing to tell them apart.
        {"USB\\VID_0BDA&PID_9211&REV_2100", 0x0BDA, 0x9211, 0x2100, P::None, false},
        // A bridge of a known maker that the table does not name.
        {"USB\\VID_152D&PID_0578&REV_0508", 0x152D, 0x0578, 0x0508, P::None, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        UsbId id{0x5555, 0x6666, 0x7777};
        ASSERT_TRUE(ParseUsbHardwareId(c.text, id));
        EXPECT_EQ(c.vendor, id.vendor);
        EXPECT_EQ(c.product, id.product);
        EXPECT_EQ(c.revision, id.revision);
        EXPECT_EQ(c.protocol, BridgeProtocolFor(id));
        EXPECT_EQ(c.onlyNvme, HoldsOnlyNvmeDrives(id));
    }

    // Not a USB hardware id: the id is left alone.
    for (const char* text :
         {"", "USBSTOR\\Disk&Ven_Samsung&Prod_PSSD_T7", "USB\\VID_152D&PID_058",
          "USB\\VID_152D&PID_05833", "USB\\VID_G52D&PID_0583", "USB\\VID_152D&PID_0583&REV_02",
          "USB\\VID_152D&PID_0583&REV_0214&MI_0", "USB\\VID_152D&PID_0583&MI_00&REV_0214",
          "USB\\VID_152D&PID_0583\\0123456789AB"}) {
        UsbId id{0x5555, 0x6666, 0x7777};
        EXPECT_FALSE(ParseUsbHardwareId(text, id)) << text;
        EXPECT_EQ(0x5555, id.vendor) << text;
        EXPECT_EQ(0x7777, id.revision) << text;
    }
}

} // namespace
