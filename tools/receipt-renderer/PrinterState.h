#pragma once

#include "PrinterConfig.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the printer keeps across power cycles: configuration, identity, the
// downloaded bit images and the stored message lines.
class PrinterState {
public:
    static constexpr size_t kMaxImages = 3;
    static constexpr size_t kMaxImageFile = 128u << 10;  // a 576-dot-wide logo 1800 dots tall fits
    static constexpr int kMessageSlots = 6;
    static constexpr size_t kMaxMessageText = 507;

    struct StoredImage {
        uint8_t id = 0;
        std::vector<uint8_t> file;  // the BMP file as it arrived
    };

    struct Message {
        uint8_t attribute = 0;
        std::vector<uint8_t> text;
    };

    PrinterConfig config;                    // the settings in force
    std::optional<PrinterConfig> pending;    // written, taken at the next restart
    std::string modelCode = "KX80A110E1US";  // 12 characters
    std::string firmware = "0407";           // MMmm

    // Settings written since the last restart, or the ones in force.
    PrinterConfig &PendingConfig();
    // Makes the written settings the ones in force; true when anything changed.
    bool CommitPending();

    // Stores a picture; a new id beyond three replaces the oldest one. A file
    // larger than kMaxImageFile is refused.
    bool StoreImage(uint8_t id, std::vector<uint8_t> file);
    const StoredImage *image(uint8_t id) const;
    const std::vector<StoredImage> &images() const { return images_; }
    // Counts the changes to the stored images.
    unsigned long imagesVersion() const { return imagesVersion_; }

    // Refused for a slot that does not exist or text beyond kMaxMessageText.
    bool SetMessage(int slot, uint8_t attribute, std::vector<uint8_t> text);
    const Message &message(int slot) const { return messages_[static_cast<size_t>(slot)]; }

    static bool ValidModelCode(const std::string &code);
    static bool ValidFirmware(const std::string &version);

    std::array<uint8_t, 17> modelReply() const;
    std::array<uint8_t, 6> firmwareReply() const;

private:
    std::vector<StoredImage> images_;  // oldest first
    unsigned long imagesVersion_ = 0;
    std::array<Message, kMessageSlots> messages_{};
};
