#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One drive found by discovery, kept until the rows of the drive list are made.
class DriveRecord {
public:
    DriveRecord(std::string model, std::string serial, std::string revision, unsigned char linkSeen,
                unsigned char linkActive);

    std::string Model() const { return model; }
    std::string Serial() const { return serial; }
    std::string Revision() const { return revision; }
    unsigned char LinkSeen() const { return linkSeen; }
    unsigned char LinkActive() const { return linkActive; }

private:
    std::string model;
    std::string serial;
    std::string revision;
    unsigned char linkSeen;   // the device's registry subtree has a "Linked" value
    unsigned char linkActive; // that value is 1: the drive is attached now
};

// Every record discovery found, in the order the sources found them. Within a
// scan it only grows at its end: nothing is removed, merged or reordered; a
// rescan empties it first.
class DriveRecordList {
public:
    void AddDriveRecord(const std::string& model, const std::string& serial,
                        const std::string& revision, unsigned char linkSeen,
                        unsigned char linkActive);

    void Clear() { records.clear(); }

    std::size_t Count() const { return records.size(); }
    const DriveRecord& At(std::size_t index) const { return records.at(index); }

private:
    std::vector<DriveRecord> records;
};
