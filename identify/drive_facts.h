#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a drive is, as its driver reports it in the storage device and adapter
// descriptors (every Windows from XP answers both).
struct DriveFacts {
    bool read = false;            // the device descriptor was read
    std::uint32_t bus = 0;        // the device's STORAGE_BUS_TYPE
    std::uint32_t adapterBus = 0; // its adapter's; 0 (unknown) when that was not read
    bool removable = false;
    std::string vendor; // trailing blanks removed, as are the product's and revision's
    std::string product;
    std::string revision;
};

// STORAGE_BUS_TYPE values the rules below look at.
enum StorageBus : std::uint32_t {
    kBusUnknown = 0,
    kBusScsi = 1,
    kBusAta = 3,
    kBusUsb = 7,
    kBusRaid = 8,
    kBusSas = 10,
    kBusSata = 11,
    kBusNvme = 17,
};

// Where the two descriptors hold what the facts take besides the device
// descriptor's text offsets and bus (discovery/storage_descriptor.h).
constexpr std::size_t kRemovableMediaField = 10; // a byte of the device descriptor
constexpr std::size_t kAdapterBusTypeField = 24; // a byte of the adapter descriptor

// Reads a storage device descriptor reply of `returned` bytes in a buffer of
// `size`. False, leaving `facts` alone, when it is too short to hold the bus.
bool ReadDeviceDescriptorFacts(const unsigned char* reply, std::size_t size, std::size_t returned,
                               DriveFacts& facts);

// Reads a storage adapter descriptor reply: its bus. False when too short.
bool ReadAdapterDescriptorFacts(const unsigned char* reply, std::size_t size, std::size_t returned,
                                DriveFacts& facts);

// The bus as the report names it ("SATA", "USB"); "bus N" for one it does not know.
std::string BusName(std::uint32_t bus);

// Whether the driver's vendor or product text names a hypervisor's virtual disk.
bool NamesVirtualDisk(const DriveFacts& facts);

// Whether the drive or its adapter is on a RAID bus.
bool IsRaidBus(const DriveFacts& facts);

// Whether the facts say Intel's RAID driver holds an NVMe drive: it gives
// its NVMe drives the vendor text "NVMe", on a RAID bus.
bool NamesNvmeBehindRaid(const DriveFacts& facts);

// Whether a drive with these facts could be an ATA drive, whose firmware the
// verdict needs: a fixed disk on an ATA, SATA, RAID or USB bus, or on SAS or
// SCSI behind the SCSI/ATA translation (vendor "ATA"); never a virtual disk,
// a file-backed or pooled one, a card, an NVMe drive (its bus, or Intel's
// RAID driver's name for it) or removable media. `nvmeOnlyBridge`: the drive
// sits behind a USB bridge that holds nothing but NVMe drives. Facts that
// could not be read count: the drive might be one.
bool CouldHoldAtaDrive(const DriveFacts& facts, bool nvmeOnlyBridge);
