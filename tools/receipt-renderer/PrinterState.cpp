#include "PrinterState.h"

#include <algorithm>

PrinterConfig &PrinterState::PendingConfig()
{
    if (!pending)
        pending = config;
    return *pending;
}

bool PrinterState::CommitPending()
{
    if (!pending)
        return false;
    const bool changed = !(*pending == config);
    config = *pending;
    pending.reset();
    return changed;
}

bool PrinterState::StoreImage(uint8_t id, std::vector<uint8_t> file)
{
    if (file.size() > kMaxImageFile)
        return false;
    images_.erase(std::remove_if(images_.begin(), images_.end(), [id](const StoredImage &s) { return s.id == id; }),
                  images_.end());
    if (images_.size() >= kMaxImages)
        images_.erase(images_.begin());
    images_.push_back({id, std::move(file)});
    ++imagesVersion_;
    return true;
}

const PrinterState::StoredImage *PrinterState::image(uint8_t id) const
{
    for (const StoredImage &s : images_)
        if (s.id == id)
            return &s;
    return nullptr;
}

bool PrinterState::SetMessage(int slot, uint8_t attribute, std::vector<uint8_t> text)
{
    if (slot < 0 || slot >= kMessageSlots || text.size() > kMaxMessageText)
        return false;
    messages_[static_cast<size_t>(slot)] = {attribute, std::move(text)};
    return true;
}

bool PrinterState::ValidModelCode(const std::string &code)
{
    return code.size() == 12 && std::all_of(code.begin(), code.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

bool PrinterState::ValidFirmware(const std::string &version)
{
    return version.size() == 4 &&
           std::all_of(version.begin(), version.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::array<uint8_t, 17> PrinterState::modelReply() const
{
    // "[" code0-3 "-" code4-6 "-" code7-9 "-" code10-11 "]"
    std::array<uint8_t, 17> r{};
    std::string m = modelCode;
    m.resize(12, ' ');
    r[0] = '[';
    for (int i = 0; i < 4; ++i)
        r[1 + i] = static_cast<uint8_t>(m[i]);
    r[5] = '-';
    for (int i = 0; i < 3; ++i)
        r[6 + i] = static_cast<uint8_t>(m[4 + i]);
    r[9] = '-';
    for (int i = 0; i < 3; ++i)
        r[10 + i] = static_cast<uint8_t>(m[7 + i]);
    r[13] = '-';
    r[14] = static_cast<uint8_t>(m[10]);
    r[15] = static_cast<uint8_t>(m[11]);
    r[16] = ']';
    return r;
}

std::array<uint8_t, 6> PrinterState::firmwareReply() const
{
    std::string f = firmware;
    f.resize(4, '0');
    return {'V',
            static_cast<uint8_t>(f[0]),
            static_cast<uint8_t>(f[1]),
            static_cast<uint8_t>(f[2]),
            static_cast<uint8_t>(f[3]),
            0x00};
}
