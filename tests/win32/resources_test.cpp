// The resources of the built program, read back through the resource API.
// The program is VESTREL_EXE_PATH, or the one the environment variable
// VESTREL_EXE names: a 64-bit test program can check the 32-bit program too.

#include "dialogs/license_dialog.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

const char* ExePath()
{
    const char* chosen = std::getenv("VESTREL_EXE");
    return chosen && *chosen ? chosen : VESTREL_EXE_PATH;
}

// Whether the program's PE header names the x86-64 machine.
bool Is64BitProgram(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::uint32_t headerOffset = 0;
    std::uint16_t machine = 0;
    file.seekg(0x3C);
    file.read(reinterpret_cast<char*>(&headerOffset), sizeof headerOffset);
    file.seekg(headerOffset + 4);
    file.read(reinterpret_cast<char*>(&machine), sizeof machine);
    return file && machine == IMAGE_FILE_MACHINE_AMD64;
}

class VestrelExe : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        exe = LoadLibraryExA(ExePath(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(exe); }
    void SetUp() override { ASSERT_NE(nullptr, exe) << ExePath() << " " << GetLastError(); }

    // The bytes of one resource in US English; empty when it is missing.
    static std::string Bytes(const char* type, const char* name)
    {
        HRSRC found = FindResourceExA(exe, type, name, kEnglishUs);
        if (!found)
            return {};
        const void* data = LockResource(LoadResource(exe, found));
        return data ? std::string(static_cast<const char*>(data), SizeofResource(exe, found))
                    : std::string();
    }

    static HMODULE exe;
};

HMODULE VestrelExe::exe = nullptr;

template <typename T> T At(const std::string& bytes, std::size_t offset)
{
    T value{};
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// ---- the inventory: every type, id and language --------------------------------------------

using ResourceKey = std::tuple<std::string, std::string, WORD>; // type, name, language

std::string ResourceName(const char* name)
{
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                                : std::string(name);
}

struct Walk {
    std::set<ResourceKey> keys;
    const char* type = nullptr;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param)
{
    reinterpret_cast<Walk*>(param)->keys.emplace(ResourceName(type), ResourceName(name), language);
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    EnumResourceLanguagesA(module, type, name, OnLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR param)
{
    EnumResourceNamesA(module, type, OnName, param);
    return TRUE;
}

TEST_F(VestrelExe, HoldsExactlyTheProgramsResourcesAllInUsEnglish)
{
    Walk walk;
    EnumResourceTypesA(exe, OnType, reinterpret_cast<LONG_PTR>(&walk));

    std::set<ResourceKey> expected = {
        {"EULA", "#202", kEnglishUs}, {"#2", "#201", kEnglishUs}, {"#14", "#203", kEnglishUs},
        {"#16", "#1", kEnglishUs},    {"#24", "#1", kEnglishUs},
    };
    for (int id = 1; id <= 9; ++id)
        expected.emplace("#3", "#" + std::to_string(id), kEnglishUs);
    EXPECT_EQ(expected, walk.keys);
}

// ---- pictures ---------------------------------------------------------------------------------

TEST_F(VestrelExe, BannerIsA442By75TrueColourDibWithoutFileHeader)
{
    const std::string bmp = Bytes(MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(IDB_BANNER));
    ASSERT_EQ(99640u, bmp.size());
    EXPECT_EQ(40u, At<DWORD>(bmp, 0)); // header size: starts with the info header, not "BM"
    EXPECT_EQ(442, At<LONG>(bmp, 4));
    EXPECT_EQ(75, At<LONG>(bmp, 8)); // positive: rows bottom up
    EXPECT_EQ(1, At<WORD>(bmp, 12));
    EXPECT_EQ(24, At<WORD>(bmp, 14));
    EXPECT_EQ(DWORD{BI_RGB}, At<DWORD>(bmp, 16));
    EXPECT_EQ(99600u, At<DWORD>(bmp, 20));
    EXPECT_EQ(11811, At<LONG>(bmp, 24));
    EXPECT_EQ(11811, At<LONG>(bmp, 28));
    EXPECT_EQ(0u, At<DWORD>(bmp, 32));

    HBITMAP loaded = static_cast<HBITMAP>(
        LoadImageA(exe, MAKEINTRESOURCEA(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(nullptr, loaded);
    BITMAP info = {};
    ASSERT_TRUE(GetObjectA(loaded, sizeof info, &info));
    EXPECT_EQ(442, info.bmWidth);
    EXPECT_EQ(75, info.bmHeight);
    DeleteObject(loaded);
}

struct IconSize {
    int side;
    DWORD bytes;
};
constexpr IconSize kIconSizes[] = {{16, 1128},   {24, 2440},    {32, 4264},
                                   {48, 9640},   {64, 16936},   {96, 38056},
                                   {128, 67624}, {192, 152104}, {256, 270376}};

TEST_F(VestrelExe, IconGroupListsNineImagesInAscendingSize)
{
    const std::string group = Bytes(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(IDI_VESTREL));
    ASSERT_EQ(132u, group.size());
    EXPECT_EQ(0, At<WORD>(group, 0));
    EXPECT_EQ(1, At<WORD>(group, 2));
    ASSERT_EQ(9, At<WORD>(group, 4));
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const std::size_t entry = 6 + 14 * static_cast<std::size_t>(i);
        const int side = kIconSizes[i].side;
        EXPECT_EQ(side % 256, At<BYTE>(group, entry)); // 256 is written as 0
        EXPECT_EQ(side % 256, At<BYTE>(group, entry + 1));
        EXPECT_EQ(0, At<BYTE>(group, entry + 2)); // no palette
        EXPECT_EQ(0, At<BYTE>(group, entry + 3));
        EXPECT_EQ(1, At<WORD>(group, entry + 4));
        EXPECT_EQ(32, At<WORD>(group, entry + 6));
        EXPECT_EQ(kIconSizes[i].bytes, At<DWORD>(group, entry + 8));
        EXPECT_EQ(i + 1, At<WORD>(group, entry + 12));
    }
}

TEST_F(VestrelExe, IconImagesAre32BitBitmapsWithMaskNeverPng)
{
    for (int id = 1; id <= 9; ++id) {
        SCOPED_TRACE("icon " + std::to_string(id));
        const IconSize& size = kIconSizes[id - 1];
        const std::string image = Bytes(MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(id));
        ASSERT_EQ(size.bytes, image.size());
        EXPECT_NE(0, image.compare(0, 4, "\x89PNG"));
        EXPECT_EQ(40u, At<DWORD>(image, 0));
        EXPECT_EQ(size.side, At<LONG>(image, 4));
        EXPECT_EQ(2 * size.side, At<LONG>(image, 8)); // colour rows and mask rows
        EXPECT_EQ(1, At<WORD>(image, 12));
        EXPECT_EQ(32, At<WORD>(image, 14));
        EXPECT_EQ(DWORD{BI_RGB}, At<DWORD>(image, 16));
    }
}

TEST_F(VestrelExe, SystemPicksAnIconOfEveryRequestedSize)
{
    for (const IconSize& size : kIconSizes) {
        SCOPED_TRACE("side " + std::to_string(size.side));
        HICON icon = static_cast<HICON>(
            LoadImageA(exe, MAKEINTRESOURCEA(IDI_VESTREL), IMAGE_ICON, size.side, size.side, 0));
        ASSERT_NE(nullptr, icon);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(size.side, colour.bmWidth);
        EXPECT_EQ(size.side, colour.bmHeight);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

// ---- version block ----------------------------------------------------------------------------

// One node of a version block: key, value bytes and children.
struct VersionNode {
    std::string key;
    std::string value;
    std::vector<VersionNode> children;
};

std::size_t Align4(std::size_t n)
{
    return (n + 3) & ~std::size_t{3};
}

std::string Narrow(const std::wstring& wide)
{
    std::string out;
    for (wchar_t c : wide)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Parses the node at `offset` of `block`; false when it runs past its bounds.
bool ParseVersionNode(const std::string& block, std::size_t offset, std::size_t end,
                      VersionNode& node)
{
    const std::size_t length = At<WORD>(block, offset);
    const std::size_t valueLength = At<WORD>(block, offset + 2);
    const bool text = At<WORD>(block, offset + 4) == 1;
    if (length < 6 || offset + length > end)
        return false;
    const std::size_t nodeEnd = offset + length;
    std::size_t pos = offset + 6;
    std::wstring key;
    while (pos + 2 <= nodeEnd && At<wchar_t>(block, pos) != 0) {
        key += At<wchar_t>(block, pos);
        pos += 2;
    }
    node.key = Narrow(key);
    pos = Align4(pos + 2);
    const std::size_t valueBytes = text ? valueLength * 2 : valueLength;
    if (pos + valueBytes > nodeEnd)
        return false;
    node.value = block.substr(pos, valueBytes);
    if (text) {
        std::wstring wide(valueBytes / 2, L'\0');
        std::memcpy(&wide[0], node.value.data(), valueBytes & ~std::size_t{1});
        node.value = Narrow(wide.substr(0, wide.find(L'\0')));
    }
    pos = Align4(pos + valueBytes);
    while (pos < nodeEnd) {
        VersionNode child;
        if (!ParseVersionNode(block, pos, nodeEnd, child))
            return false;
        pos = Align4(pos + At<WORD>(block, pos));
        node.children.push_back(std::move(child));
    }
    return true;
}

TEST_F(VestrelExe, VersionBlockCarriesTheFixedPartAndTheSevenStrings)
{
    const std::string block = Bytes(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1));
    VersionNode root;
    ASSERT_TRUE(ParseVersionNode(block, 0, block.size(), root));
    EXPECT_EQ("VS_VERSION_INFO", root.key);

    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.value.size());
    VS_FIXEDFILEINFO fixed = {};
    std::memcpy(&fixed, root.value.data(), sizeof fixed);
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00010000u, fixed.dwStrucVersion);
    EXPECT_EQ(0x00020003u, fixed.dwFileVersionMS);
    EXPECT_EQ(0u, fixed.dwFileVersionLS);
    EXPECT_EQ(0x00020003u, fixed.dwProductVersionMS);
    EXPECT_EQ(0u, fixed.dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed.dwFileFlagsMask);
    EXPECT_EQ(0u, fixed.dwFileFlags);
    EXPECT_EQ(DWORD{VOS_NT_WINDOWS32}, fixed.dwFileOS);
    EXPECT_EQ(DWORD{VFT_APP}, fixed.dwFileType);
    EXPECT_EQ(0u, fixed.dwFileSubtype);
    EXPECT_EQ(0u, fixed.dwFileDateMS);
    EXPECT_EQ(0u, fixed.dwFileDateLS);

    ASSERT_EQ(2u, root.children.size());
    const VersionNode& strings = root.children[0];
    EXPECT_EQ("StringFileInfo", strings.key);
    ASSERT_EQ(1u, strings.children.size());
    EXPECT_EQ("040904b0", strings.children[0].key);
    std::vector<std::pair<std::string, std::string>> table;
    for (const VersionNode& entry : strings.children[0].children)
        table.emplace_back(entry.key, entry.value);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"CompanyName", "Corvane Technology"},
        {"FileDescription", "Vestrel 25Aug2016 Win32"},
        {"FileVersion", "2.3.0.0"},
        {"InternalName", "Vestrel.dll"},
        {"LegalCopyright", "Copyright (C) 2016 Corvane Technology. All rights reserved."},
        {"ProductName", "Vestrel"},
        {"ProductVersion", "2.3.0.0"},
    };
    EXPECT_EQ(expected, table);

    const VersionNode& translations = root.children[1];
    EXPECT_EQ("VarFileInfo", translations.key);
    ASSERT_EQ(1u, translations.children.size());
    EXPECT_EQ("Translation", translations.children[0].key);
    EXPECT_EQ(std::string("\x09\x04\xB0\x04", 4), translations.children[0].value);
}

// ---- manifest ---------------------------------------------------------------------------------

// The 32-bit program's manifest names "x86" and "X86"; the 64-bit one names
// "amd64" in both places, or Windows would bind the old common controls.
TEST_F(VestrelExe, ManifestAsksForAdministratorAndCommonControls6AndNothingElse)
{
    const bool is64 = Is64BitProgram(ExePath());
    const std::string expected =
        std::string("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
                    "<assemblyIdentity version=\"1.0.0.1\" processorArchitecture=\"") +
        (is64 ? "amd64" : "x86") +
        "\" name=\"Corvane.Tools.Vestrel\" type=\"win32\"/>"
        "<description>Internal/external Corvane drive serial number detector.</description>"
        "<dependency><dependentAssembly>"
        "<assemblyIdentity type=\"Win32\" name=\"Microsoft.Windows.Common-Controls\" "
        "version=\"6.0.0.0\" processorArchitecture=\"" +
        (is64 ? "amd64" : "X86") +
        "\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>"
        "</dependentAssembly></dependency>"
        "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\"><security><requestedPrivileges>"
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"
        "</requestedPrivileges></security></trustInfo>"
        "</assembly>";
    EXPECT_EQ(expected, Bytes(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1)));
}

// ---- license agreement ------------------------------------------------------------------------

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(VestrelExe, LicenseIsAWordProcessorRtfDocumentEndingAtItsBrace)
{
    const std::optional<std::string> found = ReadLicenseText(exe);
    ASSERT_TRUE(found);
    const std::string& rtf = *found;
    EXPECT_EQ(Bytes("EULA", MAKEINTRESOURCEA(IDR_EULA)), rtf);

    EXPECT_EQ(0u, rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0));
    const std::string header = rtf.substr(0, rtf.find("\r\n"));
    EXPECT_NE(std::string::npos, header.find("\\uc1"));
    EXPECT_NE(std::string::npos, header.find("\\deflang1033"));
    for (const char* part : {"{\\fonttbl", "{\\colortbl", "{\\stylesheet", "{\\*\\listtable",
                             "{\\*\\listoverridetable", "{\\info"})
        EXPECT_EQ(1u, Count(rtf, part)) << part;
    EXPECT_EQ(4u, Count(rtf, "{\\field{\\*\\fldinst{HYPERLINK \"https://"));
    EXPECT_EQ(0u, Count(rtf, "\\pict"));
    EXPECT_EQ(0u, Count(rtf, "\\trowd"));

    // Every line ends in CR LF; the last byte closes the outermost group.
    EXPECT_EQ(Count(rtf, "\r\n"), Count(rtf, "\n"));
    EXPECT_EQ(Count(rtf, "\r\n"), Count(rtf, "\r"));
    ASSERT_FALSE(rtf.empty());
    EXPECT_EQ('}', rtf.back());
    int depth = 0;
    std::size_t closedAt = std::string::npos;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i; // an escaped brace or backslash
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}' && --depth == 0 && closedAt == std::string::npos) {
            closedAt = i;
        }
    }
    EXPECT_EQ(0, depth);
    EXPECT_EQ(rtf.size() - 1, closedAt);
    EXPECT_EQ(std::string::npos, rtf.find('\0'));
}

} // namespace
