#pragma once

#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/LinkSettings.h"

#include <cstdint>
#include <string>

namespace rollvane {

// One way of reaching the printer. PrinterLink chooses the transport once, at Open, from its
// link type, and every operation until the next Open goes to that object. Every result is 1
// for success and 0 for failure; a transport reports the cause of each failure to the link's
// journal, and traces what it opens, configures, sends, receives and closes.
class LinkTransport {
public:
    // Status buffers hold this many bytes; the first is the status byte.
    static constexpr std::size_t kStatusBufferSize = 64;

    virtual ~LinkTransport() = default;

    // The port as the person knows it, with its device or address: "COM3 (/dev/ttyUSB0)".
    virtual std::string where() const = 0;
    // Opens the device the port name stands for. 1 when the transport is open; the network
    // opens nothing here (its channels open at Configure).
    virtual int Open(const std::string &port) = 0;
    // Applies the settings to an opened transport: the line settings of a serial port, the
    // channels of the network to the address. Others have nothing to configure. Returns what
    // ConfigureLine returns for a serial port, else 0; nobody relies on it.
    virtual int Configure(const LinkSettings &settings) = 0;
    // The serial line settings alone: 1 when the port took them, 0 when refused or not serial.
    virtual int ConfigureLine(const LinkSettings &) { return 0; }
    // One block to the printer. bulk marks the data blocks of the sequences, which the
    // network sends with a shorter time-out.
    virtual int Send(const uint8_t *data, uint32_t length, bool bulk) = 0;
    // length bytes from the printer into buffer; what arrived before a failure stays there.
    virtual int Receive(uint8_t *buffer, uint32_t length) = 0;
    // The printer's status byte into status[0] of a kStatusBufferSize buffer, whose first byte
    // the caller has set to 0xFF (no status).
    virtual int QueryStatus(uint8_t *status) = 0;
    // The network status channel's reply of 8 bytes; no other transport has one.
    virtual int ReceiveStatusReply(uint8_t *, uint32_t) { return 0; }
    // The serial time-out setters; the other transports have no time-outs to set.
    virtual int SetReadTimeout(uint32_t) { return 0; }
    virtual int SetWriteTimeout(uint32_t) { return 0; }
    // Discards what the serial port received and nobody read.
    virtual void PurgeReceive() {}
    // After the last block of a sequence that waits for no reply: 0, with the cause in the
    // journal, when the printer has already gone (a hung-up line, a closed connection), since a
    // sent block only says the system took it. 1 otherwise, and where the transport cannot tell.
    virtual int CheckConnected() { return 1; }
    // Releases what is open; the transport may be opened and configured again afterwards.
    virtual void Close() = 0;
    virtual bool isOpen() const = 0;

protected:
    // ESC h on the data line and the one-byte reply: the status request of the serial and
    // parallel ports.
    int RequestStatusOnDataLine(uint8_t *status)
    {
        return Send(LinkCommands::kStatusRequest.data(), LinkCommands::kStatusRequest.size(), false) &&
               Receive(status, 1);
    }
};

}  // namespace rollvane
