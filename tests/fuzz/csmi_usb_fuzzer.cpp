#include "identify/bridge_commands.h"
#include "identify/csmi.h"
#include "identify/rst_nvme.h"
#include "identify/usb_bridge.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The first four bytes are the byte count the driver reports, the fifth a
// SCSI status; the rest is at once a CSMI reply, an RST NVMe reply, a
// hardware id's text and a bridge command's sense data and completion, each
// in a buffer of exactly its size so that any read past it is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    std::uint32_t returned;
    std::memcpy(&returned, data, 4);
    const std::vector<unsigned char> body(data + 5, data + size);

    std::string name;
    if (ReadCsmiDriverInfo(body.data(), body.size(), returned, name) &&
        name.size() > kCsmiDriverNameSize)
        std::abort();
    std::vector<CsmiSataDevice> devices;
    if (ReadCsmiPhyInfo(body.data(), body.size(), returned, devices)) {
        for (const CsmiSataDevice& device : devices) {
            if (devices.size() > kCsmiMaxPhys || device.portNumber >= kCsmiMaxPhys)
                std::abort();
        }
    }
    unsigned char sector[512];
    ReadCsmiIdentify(body.data(), body.size(), returned, sector);
    NvmeIdentifyPage page{};
    if (ReadRstNvmeIdentify(body.data(), body.size(), returned, page) && page == NvmeIdentifyPage{})
        std::abort();

    UsbId id;
    if (ParseUsbHardwareId(std::string(body.begin(), body.end()), id) &&
        (id.revision < -1 || id.revision > 0xFFFF))
        std::abort();
    BridgeProtocolFor(id);
    for (int protocol = 0; protocol <= static_cast<int>(BridgeProtocol::RealtekNvme); ++protocol) {
        BridgeCommandSucceeded(static_cast<BridgeProtocol>(protocol), data[4], body.data(),
                               body.size());
        BridgeCompletionSucceeded(static_cast<BridgeProtocol>(protocol), body.data(), body.size());
    }
    return 0;
}
