#include "tests/win32/support/registry_tree.h"

#include <gtest/gtest.h>

RegistryTree::RegistryTree(HKEY root, std::string path) : root(root), path(std::move(path))
{
    RegDeleteTreeA(root, this->path.c_str());
    const LONG status = RegCreateKeyExA(root, this->path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &key, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, status) << this->path;
}

RegistryTree::~RegistryTree()
{
    if (key)
        RegCloseKey(key);
    RegDeleteTreeA(root, path.c_str());
}

void RegistryTree::AddKey(const std::string& subPath, const char* className)
{
    HKEY sub = nullptr;
    const LONG status = RegCreateKeyExA(key, subPath.c_str(), 0, const_cast<char*>(className), 0,
                                        KEY_ALL_ACCESS, nullptr, &sub, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, status) << subPath;
    RegCloseKey(sub);
}

void RegistryTree::SetBytes(const std::string& subPath, const char* name, DWORD type,
                            const std::string& bytes)
{
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(key, subPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &sub, nullptr))
        << subPath;
    const LONG status =
        RegSetValueExA(sub, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    RegCloseKey(sub);
    ASSERT_EQ(ERROR_SUCCESS, status) << subPath << " " << name;
}

void RegistryTree::SetString(const std::string& subPath, const char* name, const std::string& text)
{
    SetBytes(subPath, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void RegistryTree::SetDword(const std::string& subPath, const char* name, DWORD number)
{
    SetBytes(subPath, name, REG_DWORD,
             std::string(reinterpret_cast<const char*>(&number), sizeof number));
}

void RegistryTree::AddDevice(const std::string& name, const std::string& link, int linked)
{
    SetString(name, "DeviceInstance", "USBSTOR\\Disk");
    SetString(name + "\\#", "SymbolicLink", link);
    AddKey(name + "\\#\\Device Parameters");
    if (linked >= 0)
        SetDword(name + "\\#\\Control", "Linked", static_cast<DWORD>(linked));
}

void RegistryTree::AddDevice(const std::string& link, int linked)
{
    std::string name = link;
    for (char& c : name)
        if (c == '\\')
            c = '#';
    AddDevice(name, link, linked);
}

void RegistryTree::Clear()
{
    RegDeleteTreeA(key, nullptr);
}

std::string DiskLink(const std::string& bus, const std::string& deviceType,
                     const std::string& instance)
{
    return "\\\\?\\" + bus + "#" + deviceType + "#" + instance +
           "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}
