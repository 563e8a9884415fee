#include "identify/bridge_commands.h"
#include "identify/csmi.h"
#include "identify/usb_bridge.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr BridgeProtocol kProtocols[] = {BridgeProtocol::None,        BridgeProtocol::JMicronAta,
                                         BridgeProtocol::CypressAta,  BridgeProtocol::SunplusAta,
                                         BridgeProtocol::ProlificAta, BridgeProtocol::JMicronNvme,
                                         BridgeProtocol::AsmediaNvme, BridgeProtocol::RealtekNvme};

void ReadCsmiReplies(const std::vector<unsigned char>& reply, std::size_t returned)
{
    std::string name;
    if (ReadCsmiDriverInfo(reply.data(), reply.size(), returned, name) &&
        name.size() > kCsmiDriverNameSize)
        std::abort();
    std::vector<CsmiSataDevice> devices;
    if (ReadCsmiPhyInfo(reply.data(), reply.size(), returned, devices)) {
        if (devices.size() > kCsmiMaxPhys)
            std::abort();
        for (const CsmiSataDevice& device : devices) {
            if (device.portNumber >= kCsmiMaxPhys)
                std::abort();
        }
    }
    unsigned char sector[512];
    ReadCsmiIdentify(reply.data(), reply.size(), returned, sector);
}

void ReadUsbId(const std::vector<unsigned char>& body)
{
    UsbId id;
    if (ParseUsbHardwareId(std::string(body.begin(), body.end()), id) &&
        (id.revision < -1 || id.revision > 0xFFFF))
        std::abort();
    BridgeProtocolFor(id);
}

} // namespace

// The first four bytes are the byte count the driver reports, the fifth a
// SCSI status; the rest is at once a CSMI reply, a hardware id's text and a
// bridge command's sense data and completion, each in a buffer of exactly its
// size so that any read past it is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    std::uint32_t returned;
    std::memcpy(&returned, data, 4);
    const std::vector<unsigned char> body(data + 5, data + size);
    ReadCsmiReplies(body, returned);
    ReadUsbId(body);
    for (BridgeProtocol protocol : kProtocols) {
        BridgeCommandSucceeded(protocol, data[4], body.data(), body.size());
        BridgeCompletionSucceeded(protocol, body.data(), body.size());
    }
    return 0;
}
