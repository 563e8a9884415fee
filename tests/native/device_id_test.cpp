#include "discovery/device_id.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kDiskClass[] = "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

DriveRecord Parse(const std::string& link)
{
    DriveRecord p{"before", "before", "before"};
    EXPECT_TRUE(ParseDeviceLink(link, p)) << link;
    return p;
}

struct TextCase {
    const char* input;
    const char* expected;
};

TEST(CleanSerial, StripsInstanceSuffixPaddingAndSystemIdentifiers)
{
    const TextCase cases[] = {
        {"NA12345X&0", "NA12345X"},
        {"ABC&1", "ABC"},
        {"AB&0&0", "AB"},
        {"7&2a8b3c4d&0", "N/A"},
        {"5&3F2A1B&0&1", "N/A"},
        {"__ABC 12__", "ABC 12"},
        {"  _X_  ", "_X_"},
        {"&0", "&0"},
        {"X&", "X&"},
        {"", ""},
        {"____", ""},
        {"    ", ""},
        {"_ _", ""},
        {"_ A _", "A"},
        {"A&", "A&"},
        {"AB&", "AB&"},
    };
    for (const TextCase& c : cases) {
        std::string text = c.input;
        CleanSerial(text);
        EXPECT_EQ(c.expected, text) << "input «" << c.input << "»";
    }
}

TEST(UnderscoresToSpaces, ReplacesEveryUnderscoreAndKeepsTheLength)
{
    std::string text = "_External__Disk_";
    UnderscoresToSpaces(text);
    EXPECT_EQ(" External  Disk ", text);
}

TEST(IsKnownVendorName, ComparesTheFirstWordInSmallLetters)
{
    EXPECT_TRUE(IsKnownVendorName("ordix"));
    EXPECT_TRUE(IsKnownVendorName("Ordix   "));
    EXPECT_TRUE(IsKnownVendorName("CORVANE "));
    EXPECT_TRUE(IsKnownVendorName("Corvane Inc"));
    EXPECT_TRUE(IsKnownVendorName("PeLLuM"));
    EXPECT_TRUE(IsKnownVendorName("brevond"));
    EXPECT_FALSE(IsKnownVendorName("ordixx"));
    EXPECT_FALSE(IsKnownVendorName("CorvaneX"));
    EXPECT_FALSE(IsKnownVendorName(""));
    EXPECT_FALSE(IsKnownVendorName(" corvane"));
    EXPECT_FALSE(IsKnownVendorName("corvane\t"));
    EXPECT_FALSE(IsKnownVendorName(std::string("ordix\0", 6)));
    // Only ASCII capitals are lowered: a byte of 0xC9 is no 'o'.
    EXPECT_FALSE(IsKnownVendorName("\xC9ordix"));
    EXPECT_FALSE(IsKnownVendorName("\xCFRDIX"));
}

TEST(HasVendorToken, IsACaseSensitiveSubstringSearch)
{
    EXPECT_TRUE(HasVendorToken("XVen_CorvaneY"));
    EXPECT_TRUE(HasVendorToken("Ven_Pellum"));
    EXPECT_TRUE(HasVendorToken("a#b&Ven_Ordix"));
    EXPECT_TRUE(HasVendorToken("serial_Ven_Brevond_in_instance"));
    EXPECT_FALSE(HasVendorToken("Ven_corvane"));
    EXPECT_FALSE(HasVendorToken("Ven_Corvan"));
    EXPECT_FALSE(HasVendorToken("Ven_Maker"));
    EXPECT_FALSE(HasVendorToken(""));
}

TEST(ParseDeviceLink, CutsAUsbStorageLink)
{
    const DriveRecord p =
        Parse(std::string("\\\\?\\USBSTOR#Disk&Ven_Corvane&Prod_External_Disk&Rev_0130#"
                          "NA12345X&0#") +
              kDiskClass);
    EXPECT_EQ("External Disk", p.model);
    EXPECT_EQ("NA12345X", p.serial);
    EXPECT_EQ("0130", p.revision);
}

TEST(ParseDeviceLink, EndsTheModelAtTheDeviceTypePartOfAScsiLink)
{
    const DriveRecord p =
        Parse(std::string("\\\\?\\SCSI#Disk&Ven_Corvane&Prod_Extreme_SSD#000000#") + kDiskClass);
    EXPECT_EQ("Extreme SSD", p.model);
    EXPECT_EQ("000000", p.serial);
    EXPECT_EQ("Unknown", p.revision);
}

TEST(ParseDeviceLink, WritesNothingWithoutAVendorToken)
{
    const DriveRecord p =
        Parse(std::string("\\\\?\\USBSTOR#Disk&Ven_corvane&Prod_X&Rev_1#S&0#") + kDiskClass);
    EXPECT_EQ("before", p.model);
    EXPECT_EQ("before", p.serial);
    EXPECT_EQ("before", p.revision);
}

TEST(ParseDeviceLink, KeepsTheModelWhenThereIsNoProductField)
{
    const DriveRecord p = Parse("\\\\?\\USBSTOR#Disk&Ven_Ordix&Rev_2.00#SER1&0#x");
    EXPECT_EQ("before", p.model);
    EXPECT_EQ("SER1", p.serial);
    EXPECT_EQ("2.00", p.revision);
}

TEST(ParseDeviceLink, HandlesLinksWithoutSeparators)
{
    // No '#': the device-type part and the instance part are the whole link.
    const DriveRecord whole = Parse("Ven_Pellum&Prod_Slim_Drive");
    EXPECT_EQ("Slim Drive", whole.model);
    EXPECT_EQ("Ven_Pellum&Prod_Slim_Drive", whole.serial);
    EXPECT_EQ("Unknown", whole.revision);

    // "Prod_" with nothing after it; "Rev_" running on to the next '#'.
    const DriveRecord bare = Parse("x#Ven_Brevond&Rev_1A&x&Prod_#SER&0");
    EXPECT_EQ("", bare.model);
    EXPECT_EQ("SER", bare.serial);
    EXPECT_EQ("1A&x&Prod_", bare.revision);
}

TEST(ParseDeviceLink, SystemMadeInstanceGivesNotAvailable)
{
    const DriveRecord p = Parse(std::string("\\\\?\\USBSTOR#Disk&Ven_Brevond&Prod_Go&Rev_1.0#"
                                            "7&2a8b3c4d&0#") +
                                kDiskClass);
    EXPECT_EQ("N/A", p.serial);
    EXPECT_EQ("Go", p.model);
}

TEST(ParseDeviceLink, SearchesMarkersPastTheDeviceTypePart)
{
    // "Prod_" and "Rev_" are looked for in everything after the first '#'.
    const DriveRecord p = Parse("\\\\?\\USBSTOR#Disk&Ven_Pellum#Prod_In_Serial&0#Rev_9#z");
    EXPECT_EQ("In Serial", p.model);
    EXPECT_EQ("Prod_In_Serial", p.serial);
    EXPECT_EQ("9", p.revision);
}

TEST(ParseDeviceLink, CutsEvenDegenerateLinksApart)
{
    for (const char* link : {"Ven_Corvane", "#Ven_Corvane", "Ven_Corvane#", "##Ven_Corvane##",
                             "Ven_CorvaneProd_", "Ven_CorvaneRev_", "#Prod_#Rev_#Ven_Ordix#"}) {
        DriveRecord drive;
        EXPECT_TRUE(ParseDeviceLink(link, drive)) << link;
    }
}

} // namespace
