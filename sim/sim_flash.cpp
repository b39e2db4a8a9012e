#include "sim/sim_flash.h"

namespace sim {

SimFlash::Answer SimFlash::StartBoot()
{
    bootMode_ = true;
    return {};
}

SimFlash::Answer SimFlash::Erase()
{
    if (!bootMode_) // erasing needs the boot program
        return {Answer::Nak, kNakNotAllowed};
    if (faults_.nakEraseReason >= 0)
        return {Answer::Nak, uint8_t(faults_.nakEraseReason)};
    image_.clear();
    writes_ = 0;
    ++erases_;
    return {};
}

SimFlash::Answer SimFlash::Write(uint32_t address, const uint8_t* data, size_t count)
{
    if (!bootMode_)
        return {Answer::Nak, kNakNotAllowed};
    const int number = ++writes_;
    if (number == faults_.nakWriteNumber)
        return {Answer::Nak, faults_.nakWriteReason};
    for (size_t i = 0; i < count; ++i)
        image_[(address + uint32_t(i)) & 0xFFFFFFu] = data[i];
    if (number == faults_.dropWriteNumber)
        return {Answer::Drop, 0};
    if (number == faults_.corruptWriteNumber)
        return {Answer::Corrupt, 0};
    return {};
}

SimFlash::Answer SimFlash::EndDownload()
{
    bootMode_ = false;
    ++endDownloads_;
    return {};
}

void SimFlash::Reset()
{
    bootMode_ = false;
    ++resets_;
}

std::vector<uint8_t> SimFlash::ImageBytes(uint32_t* firstAddress) const
{
    std::vector<uint8_t> bytes;
    if (image_.empty()) {
        if (firstAddress)
            *firstAddress = 0;
        return bytes;
    }
    const uint32_t first = image_.begin()->first;
    const uint32_t last = image_.rbegin()->first;
    bytes.assign(size_t(last - first) + 1, 0xFF);
    for (const auto& [addr, b] : image_)
        bytes[addr - first] = b;
    if (firstAddress)
        *firstAddress = first;
    return bytes;
}

} // namespace sim
