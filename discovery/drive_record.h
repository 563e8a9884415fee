#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One drive as a scan found it: the registry walk, the volume query and the
// identify scan all hand back this shape, and the drive list shows its texts.
struct DriveRecord {
    std::string model;
    std::string serial;
    std::string revision;
    // Only the registry walk reads these; a drive found any other way is
    // attached by definition.
    bool linkSeen = true;   // the device's registry subtree has a "Linked" value
    bool linkActive = true; // that value is 1: the drive is attached now
};

// Every record discovery found, in the order the sources found them. Within a
// scan it only grows at its end: nothing is removed, merged or reordered; a
// rescan empties it first.
class DriveRecordList {
public:
    void Add(const DriveRecord& record) { records.push_back(record); }
    void AddAll(const std::vector<DriveRecord>& found);

    void Clear() { records.clear(); }

    std::size_t Count() const { return records.size(); }
    const DriveRecord& At(std::size_t index) const { return records.at(index); }
    const std::vector<DriveRecord>& All() const { return records; }

private:
    std::vector<DriveRecord> records;
};
