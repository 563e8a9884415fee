#include "identify/drive_facts.h"

#include "discovery/storage_descriptor.h"

#include <cctype>

namespace {

std::string WithoutTrailingBlanks(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

std::string Upper(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

} // namespace

bool ReadDeviceDescriptorFacts(const unsigned char* reply, std::size_t size, std::size_t returned,
                               DriveFacts& facts)
{
    const std::size_t valid = returned < size ? returned : size;
    if (valid < kBusTypeField + 4)
        return false;
    facts.read = true;
    facts.bus = DescriptorField(reply, valid, kBusTypeField);
    facts.removable = reply[kRemovableMediaField] != 0;
    auto text = [&](std::size_t field) {
        return WithoutTrailingBlanks(
            DescriptorText(reply, size, returned, DescriptorField(reply, valid, field)));
    };
    facts.vendor = text(kVendorIdOffsetField);
    facts.product = text(kProductIdOffsetField);
    facts.revision = text(kRevisionOffsetField);
    return true;
}

bool ReadAdapterDescriptorFacts(const unsigned char* reply, std::size_t size, std::size_t returned,
                                DriveFacts& facts)
{
    const std::size_t valid = returned < size ? returned : size;
    if (valid <= kAdapterBusTypeField)
        return false;
    facts.adapterBus = reply[kAdapterBusTypeField];
    return true;
}

std::string BusName(std::uint32_t bus)
{
    static const char* const kNames[] = {"unknown",
                                         "SCSI",
                                         "ATAPI",
                                         "ATA",
                                         "1394",
                                         "SSA",
                                         "Fibre Channel",
                                         "USB",
                                         "RAID",
                                         "iSCSI",
                                         "SAS",
                                         "SATA",
                                         "SD",
                                         "MMC",
                                         "virtual",
                                         "file-backed virtual",
                                         "Storage Spaces",
                                         "NVMe",
                                         "SCM",
                                         "UFS"};
    if (bus < sizeof kNames / sizeof kNames[0])
        return kNames[bus];
    return "bus " + std::to_string(bus);
}

bool NamesVirtualDisk(const DriveFacts& facts)
{
    // What hypervisors' virtual disks call themselves: VirtualBox, VMware,
    // QEMU, Hyper-V (SCSI and IDE), virtio and Xen.
    static const char* const kNames[] = {"VBOX",       "VMWARE", "QEMU",  "VIRTUAL DISK",
                                         "VIRTUAL HD", "VIRTIO", "XENSRC"};
    const std::string texts = Upper(facts.vendor + " " + facts.product);
    for (const char* name : kNames)
        if (texts.find(name) != std::string::npos)
            return true;
    return false;
}

bool IsRaidBus(const DriveFacts& facts)
{
    return facts.bus == kBusRaid || facts.adapterBus == kBusRaid;
}

bool NamesNvmeBehindRaid(const DriveFacts& facts)
{
    return IsRaidBus(facts) && Upper(facts.vendor) == "NVME";
}

bool CouldHoldAtaDrive(const DriveFacts& facts, bool nvmeOnlyBridge)
{
    if (!facts.read)
        return true;
    if (facts.removable || nvmeOnlyBridge || NamesVirtualDisk(facts) || NamesNvmeBehindRaid(facts))
        return false;
    switch (facts.bus) {
    case kBusAta:
    case kBusSata:
    case kBusRaid:
    case kBusUsb:
        return true;
    case kBusSas:
    case kBusScsi:
        return facts.vendor == "ATA";
    default:
        return false;
    }
}
