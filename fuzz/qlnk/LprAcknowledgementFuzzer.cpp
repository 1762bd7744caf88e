// One LPR job sent with QLNK_SendData against a peer whose acknowledgements are the fuzz input.
// The peer is the other end of a socket pair that keeps message boundaries, so each of its
// messages is what one acknowledgement read brings (longer than the library's buffer, empty,
// any bytes at all). Its messages are queued before the send; time-out 0, so nothing waits.
//
// Input: byte 0 is the peer's end (bits 0-1: 0 shuts its writing side after the messages, so
// later reads see the end of the stream; 1 is closed before the job; 2 and 3 stay open, so a
// read after the last message runs out of time) and the job's length (bits 2-7). Then messages,
// each a 2-byte little-endian length (at most 2047) and its bytes.
//
// Checked: the job ends as the acknowledgement rule says (every acknowledgement that came, the
// end of the stream included, lets the next step go; the first that does not come ends the job
// with QLNK_E_TIMEOUT), the peer received exactly the protocol steps up to there, and *sent is
// the data step's count or 0.
#include <qlnk.h>

#include "transports/CEthernetComm.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMaxMessages = 16;

// The five pieces of a job carrying length bytes of data, as they must arrive.
std::vector<std::string> ExpectedSteps(const std::string &data)
{
    const std::string job = std::to_string(CEthernetComm::kLprJobNumber) + CEthernetComm::kLprHost;
    const std::string control = CEthernetComm::LprControlFile();
    return {
        std::string("\x02") + CEthernetComm::kLprQueue + "\n",
        "\x02" + std::to_string(control.size()) + " cfA" + job + "\n",
        control + std::string(1, '\0'),
        "\x03" + std::to_string(data.size()) + " dfA" + job + "\n",
        data + std::string(1, '\0'),
    };
}

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const int peerEnd = input[0] & 3;
    std::string data;
    for (int i = 0; i < (input[0] >> 2); ++i) {
        data += static_cast<char>(0xA0 + i);
    }

    int pair[2];
    Require(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) == 0);
    int answers = 0;
    for (std::size_t at = 1; at + 2 <= size && answers < kMaxMessages;) {
        std::size_t length = (input[at] | input[at + 1] << 8) & 0x7FF;
        at += 2;
        length = std::min(length, size - at);
        if (send(pair[1], input + at, length, MSG_DONTWAIT | MSG_NOSIGNAL) != static_cast<ssize_t>(length)) {
            break;
        }
        at += length;
        ++answers;
    }
    if (peerEnd == 0) {
        shutdown(pair[1], SHUT_WR);
    } else if (peerEnd == 1) {
        close(pair[1]);
    }

    int32_t handle = pair[0];
    uint32_t sent = 12345;
    int32_t status = 0;
    const int32_t returned = QLNK_SendData(&handle, reinterpret_cast<const uint8_t *>(data.data()),
                                           static_cast<uint32_t>(data.size()), &sent, QLNK_PORT_TCP_LPR, 0, &status);
    int32_t lastError = 0;
    QLNK_GetLastError(&lastError);
    Require(returned == (status == QLNK_OK ? 1 : 0));
    Require(handle == pair[0]);

    if (peerEnd == 1) {
        // Nobody to send to: the first step fails.
        Require(status == QLNK_E_SYSTEM && lastError == EPIPE && sent == 0);
    } else {
        // With the stream's end, every read after the messages acknowledges too.
        const int acknowledged = peerEnd == 0 ? 5 : std::min(answers, 5);
        const int steps = std::min(acknowledged + 1, 5);
        Require(status == (acknowledged == 5 ? QLNK_OK : QLNK_E_TIMEOUT));
        Require(status == QLNK_OK || lastError == ETIMEDOUT);
        Require(sent == (steps == 5 ? data.size() + 1 : 0));
        const std::vector<std::string> expected = ExpectedSteps(data);
        for (int step = 0; step < 6; ++step) {
            char piece[512];
            const ssize_t n = recv(pair[1], piece, sizeof piece, MSG_DONTWAIT);
            if (step < steps) {
                Require(n >= 0 && std::string(piece, static_cast<std::size_t>(n)) == expected[step]);
            } else {
                Require(n < 0 && errno == EAGAIN);
            }
        }
        close(pair[1]);
    }
    close(pair[0]);
    return 0;
}
