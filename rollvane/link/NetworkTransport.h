#pragma once

#include "platform/Clock.h"
#include "rollvane/link/LinkJournal.h"
#include "rollvane/link/LinkTransport.h"
#include "rollvane/link/QlnkBinding.h"

#include <qlnk.h>

namespace rollvane {

// The network through libqlnk: a raw TCP data channel (port 9100) and a raw UDP status channel
// (port 3000) to the printer's address, both opened by Configure. A receive takes at most 128
// bytes of one reply; the status byte is the fifth byte of the status channel's reply.
class NetworkTransport final : public LinkTransport {
public:
    static constexpr uint32_t kDefaultDataPort = 9100;
    static constexpr uint32_t kDefaultStatusPort = 3000;

    NetworkTransport(const std::string &libraryName, uint32_t dataPort, uint32_t statusPort, platform::Clock &clock,
                     LinkJournal &journal);
    ~NetworkTransport() override;

    std::string where() const override;
    int Open(const std::string &port) override;
    int Configure(const LinkSettings &settings) override;
    int Send(const uint8_t *data, uint32_t length, bool bulk) override;
    int Receive(uint8_t *buffer, uint32_t length) override;
    int QueryStatus(uint8_t *status) override;
    int ReceiveStatusReply(uint8_t *buffer, uint32_t length) override;
    // Discards what the data channel holds unread.
    void PurgeReceive() override;
    int CheckConnected() override;
    void Close() override;
    bool isOpen() const override { return dataOpened_ || statusOpened_; }

    const QLNK_CommContext &dataChannel() const { return dataChannel_; }
    const QLNK_CommContext &statusChannel() const { return statusChannel_; }

private:
    std::string channelName(const QLNK_CommContext &channel) const;
    // The status channel's reply: the result, and in received how many bytes came.
    int ReceiveStatusReplyCounted(uint8_t *buffer, uint32_t length, uint32_t *received);
    // A failed call on a channel: why the library said it failed, or why the channel's open
    // failed when that is the reason behind it.
    void ChannelFailed(const QLNK_CommContext &channel, const std::string &operation, const std::string &openFailure);

    QlnkBinding qlnk_;
    uint32_t dataPort_;
    uint32_t statusPort_;
    platform::Clock &clock_;
    LinkJournal &journal_;
    uint32_t address_ = 0;
    bool configured_ = false;
    QLNK_CommContext dataChannel_{};
    QLNK_CommContext statusChannel_{};
    // Whether Configure gave each channel to the library, so that Close never hands it a
    // zero-filled socket (descriptor 0).
    bool dataOpened_ = false;
    bool statusOpened_ = false;
    // Why a channel's open failed; its later traffic fails for that reason.
    std::string dataOpenFailure_;
    std::string statusOpenFailure_;
};

}  // namespace rollvane
