#include "tests/win32/support/fake_volumes.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// Guards every double's records and handles; one for all keeps them
// assignable, as tests reset them so.
std::mutex lock;

} // namespace

HANDLE FakeVolumes::Open(const char* path, DWORD access, DWORD share)
{
    const auto answer = answers.find(path);
    {
        const std::lock_guard<std::mutex> held(lock);
        opened.push_back(path);
        accesses.push_back(access);
        shares.push_back(share);
    }
    if (answer != answers.end() && answer->second.hang == Hang::AtOpen)
        Sleep(INFINITE);
    if (answer == answers.end() || !answer->second.opens)
        return INVALID_HANDLE_VALUE;
    const std::lock_guard<std::mutex> held(lock);
    handles.push_back(path);
    return reinterpret_cast<HANDLE>(handles.size());
}

bool FakeVolumes::Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                          DWORD outSize, DWORD* returned)
{
    std::unique_lock<std::mutex> held(lock);
    const std::string path = handles.at(reinterpret_cast<std::size_t>(device) - 1);
    SentControl control;
    control.path = path;
    control.code = code;
    const auto* inBytes = static_cast<const unsigned char*>(in);
    control.in.assign(inBytes, inBytes + inSize);
    control.outSize = outSize;
    auto* outBytes = static_cast<unsigned char*>(out);
    control.outZeroed =
        std::all_of(outBytes, outBytes + outSize, [](unsigned char b) { return b == 0; });
    sent.push_back(control);
    held.unlock();

    const VolumeAnswer& answer = answers.at(path);
    if (answer.hang == Hang::AtRequest)
        Sleep(INFINITE);
    const std::size_t size = std::min<std::size_t>(answer.reply.size(), outSize);
    if (size)
        std::memcpy(out, answer.reply.data(), size);
    if (returned)
        *returned = answer.returned ? answer.returned : static_cast<DWORD>(size);
    return answer.answers;
}

void FakeVolumes::Close(HANDLE)
{
    const std::lock_guard<std::mutex> held(lock);
    ++closes;
}

void SetField(std::vector<unsigned char>& reply, std::size_t at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        reply.at(at + i) = static_cast<unsigned char>(value >> (8 * i));
}

std::vector<unsigned char> DescriptorReply(DWORD bus, const char* vendor, const char* model,
                                           const char* revision, const char* serial)
{
    // Texts after the 40-byte descriptor, each with its NUL, as drivers lay
    // them out.
    std::vector<unsigned char> reply(40, 0);
    SetField(reply, 0, 1);
    SetField(reply, 28, bus);
    const std::pair<std::size_t, const char*> texts[] = {
        {12, vendor}, {16, model}, {20, revision}, {24, serial}};
    for (const auto& [field, text] : texts) {
        if (!text)
            continue;
        SetField(reply, field, static_cast<DWORD>(reply.size()));
        reply.insert(reply.end(), text, text + std::strlen(text) + 1);
    }
    SetField(reply, 4, static_cast<DWORD>(reply.size()));
    return reply;
}
