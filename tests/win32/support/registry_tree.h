#pragma once

#include <windows.h>

#include <string>

// A registry tree that a test builds and that is deleted again when the
// object goes away. Paths are relative to the tree's root and use '\'.
class RegistryTree {
public:
    // Creates (or empties) `root\path`; `root` is usually HKEY_CURRENT_USER.
    RegistryTree(HKEY root, std::string path);
    ~RegistryTree();
    RegistryTree(const RegistryTree&) = delete;
    RegistryTree& operator=(const RegistryTree&) = delete;

    // The tree's root key, open for reading and writing.
    HKEY Key() const { return key; }

    // Creates the key `path` below the root (and every key on the way).
    void AddKey(const std::string& path, const char* className = nullptr);

    // Sets a value of the key `path` below the root, creating the key.
    void SetString(const std::string& path, const char* name, const std::string& text);
    void SetDword(const std::string& path, const char* name, DWORD number);
    void SetBytes(const std::string& path, const char* name, DWORD type, const std::string& bytes);

    // A device key of the disk interface class as the system lays it out:
    // the link in "#", the "Linked" value in "#\Control" only while the
    // interface is registered (`linked` -1 leaves that key out). Without a
    // name, the key is named after its link as the system names it.
    void AddDevice(const std::string& name, const std::string& link, int linked);
    void AddDevice(const std::string& link, int linked);

    // Deletes everything below the root, keeping the root itself.
    void Clear();

private:
    HKEY root;
    std::string path;
    HKEY key = nullptr;
};

// A device link of the disk interface class, as the system writes it.
std::string DiskLink(const std::string& bus, const std::string& deviceType,
                     const std::string& instance);
