#pragma once

#include <cstddef>

// IDENTIFY DEVICE sent inside a SCSI request (the SCSI/ATA translation that
// USB-SATA bridges implement), and the checks of what comes back.

constexpr std::size_t kSat16CdbSize = 16;
constexpr std::size_t kSat12CdbSize = 12;

constexpr unsigned char kScsiStatusGood = 0x00;
constexpr unsigned char kScsiStatusCheckCondition = 0x02;

// Writes the CDB of ATA PASS-THROUGH (16), or (12) when `sixteen` is false,
// carrying IDENTIFY DEVICE: PIO data-in of one 512-byte sector, the ATA
// registers not asked back, byte for byte as the public tools send it.
// Returns the CDB's length; the rest of `cdb` is zero.
std::size_t MakeSatIdentifyCdb(bool sixteen, unsigned char (&cdb)[16]);

// Whether a pass-through request's SCSI status and the first `senseSize`
// bytes of its sense data show that the ATA command ended without error.
// CHECK CONDITION needs sense data that carries the ATA status (an ATA Status
// Return descriptor, or the fixed format's information field) under sense
// key NO SENSE or RECOVERED ERROR, with BSY, DF and ERR clear. GOOD passes
// unless it too carries an ATA status that shows an error: a command that
// ended well comes back GOOD with no sense data, and some bridges return the
// registers all the same.
bool SatReplyShowsNoError(unsigned char scsiStatus, const unsigned char* sense,
                          std::size_t senseSize);
