#include "discovery/drive_record.h"

#include <utility>

DriveRecord::DriveRecord(std::string model, std::string serial, std::string revision,
                         unsigned char linkSeen, unsigned char linkActive)
    : model(std::move(model)), serial(std::move(serial)), revision(std::move(revision)),
      linkSeen(linkSeen), linkActive(linkActive)
{
}

void DriveRecordList::AddDriveRecord(const std::string& model, const std::string& serial,
                                     const std::string& revision, unsigned char linkSeen,
                                     unsigned char linkActive)
{
    records.emplace_back(model, serial, revision, linkSeen, linkActive);
}
