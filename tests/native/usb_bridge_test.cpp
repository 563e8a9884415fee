#include "identify/usb_bridge.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Hardware ids as Windows gives them, what they read as, and the protocol the
// bridge gets. The protocols follow the USB section of the public drive-tool
// database (smartmontools' drivedb.h).
TEST(UsbBridge, HardwareIdGivesTheBridgesProtocolOnlyWhenItIsSure)
{
    constexpr int kNoRevision = -1;
    constexpr bool kParses = true;
    constexpr bool kRefused = false;
    using P = BridgeProtocol;
    struct Case {
        const char* text;
        bool parses;
        unsigned vendor, product;
        int revision;
        BridgeProtocol protocol;
    };
    const Case cases[] = {
        // One of each protocol; any case, revision and interface optional.
        {"USB\\VID_152D&PID_2338&REV_0100", kParses, 0x152D, 0x2338, 0x0100, P::JMicronAta},
        {"USB\\VID_1058&PID_0701&REV_0240", kParses, 0x1058, 0x0701, 0x0240, P::CypressAta},
        {"usb\\vid_04fc&pid_0c25&rev_0103", kParses, 0x04FC, 0x0C25, 0x0103, P::SunplusAta},
        {"USB\\VID_067B&PID_2773", kParses, 0x067B, 0x2773, kNoRevision, P::ProlificAta},
        {"USB\\VID_152D&PID_0583&REV_0214", kParses, 0x152D, 0x0583, 0x0214, P::JMicronNvme},
        {"USB\\VID_04E8&PID_4001&REV_0100&MI_00", kParses, 0x04E8, 0x4001, 0x0100, P::AsmediaNvme},
        {"USB\\Vid_0bda&Pid_9210&Rev_2100", kParses, 0x0BDA, 0x9210, 0x2100, P::RealtekNvme},
        {"USB\\VID_174C&PID_2362&MI_01", kParses, 0x174C, 0x2362, kNoRevision, P::AsmediaNvme},
        // One id, two bridges: only the revision named for the vendor
        // command gets it; another revision or none gets the translation.
        {"USB\\VID_04B4&PID_6830&REV_0240", kParses, 0x04B4, 0x6830, 0x0240, P::CypressAta},
        {"USB\\VID_04B4&PID_6830&REV_0001", kParses, 0x04B4, 0x6830, 0x0001, P::None},
        {"USB\\VID_04B4&PID_6830&REV_0250", kParses, 0x04B4, 0x6830, 0x0250, P::None},
        {"USB\\VID_04B4&PID_6830", kParses, 0x04B4, 0x6830, kNoRevision, P::None},
        {"USB\\VID_04E8&PID_6032&REV_0000", kParses, 0x04E8, 0x6032, 0x0000, P::JMicronAta},
        {"USB\\VID_04E8&PID_6032&REV_0100", kParses, 0x04E8, 0x6032, 0x0100, P::None},
        {"USB\\VID_04E8&PID_6032", kParses, 0x04E8, 0x6032, kNoRevision, P::None},
        {"USB\\VID_152D&PID_2509&REV_0100", kParses, 0x152D, 0x2509, 0x0100, P::JMicronAta},
        {"USB\\VID_152D&PID_2509&REV_0107", kParses, 0x152D, 0x2509, 0x0107, P::None},
        // Named for NVMe and for SATA with nothing to tell them apart.
        {"USB\\VID_0BDA&PID_9211&REV_2100", kParses, 0x0BDA, 0x9211, 0x2100, P::None},
        {"USB\\VID_2EB9&PID_9211", kParses, 0x2EB9, 0x9211, kNoRevision, P::None},
        // The translation works, the bridge is unsupported, or unknown.
        {"USB\\VID_152D&PID_0578&REV_0508", kParses, 0x152D, 0x0578, 0x0508, P::None},
        {"USB\\VID_152D&PID_0539&REV_0100", kParses, 0x152D, 0x0539, 0x0100, P::None},
        {"USB\\VID_067B&PID_3507&REV_0001", kParses, 0x067B, 0x3507, 0x0001, P::None},
        {"USB\\VID_0BC2&PID_2322&REV_0000", kParses, 0x0BC2, 0x2322, 0x0000, P::None},
        {"USB\\VID_1234&PID_ABCD", kParses, 0x1234, 0xABCD, kNoRevision, P::None},
        // Not a USB hardware id.
        {"", kRefused, 0, 0, 0, P::None},
        {"USBSTOR\\Disk&Ven_Samsung&Prod_PSSD_T7", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_152D&PID_058", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_152D&PID_05833", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_G52D&PID_0583", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_152D&PID_0583&REV_02", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_152D&PID_0583&REV_0214&MI_0", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_152D&PID_0583&MI_00&REV_0214", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_152D&PID_0583\\0123456789AB", kRefused, 0, 0, 0, P::None},
        {"USB\\VID_152D&PID_0583 ", kRefused, 0, 0, 0, P::None},
        {"HID\\VID_152D&PID_0583", kRefused, 0, 0, 0, P::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        UsbId id;
        id.vendor = 0x5555;
        id.product = 0x6666;
        id.revision = 0x7777;
        ASSERT_EQ(c.parses, ParseUsbHardwareId(c.text, id));
        if (!c.parses) {
            EXPECT_EQ(0x5555, id.vendor); // left alone
            EXPECT_EQ(0x7777, id.revision);
            continue;
        }
        EXPECT_EQ(c.vendor, id.vendor);
        EXPECT_EQ(c.product, id.product);
        EXPECT_EQ(c.revision, id.revision);
        EXPECT_EQ(c.protocol, BridgeProtocolFor(id));
    }
}

} // namespace
