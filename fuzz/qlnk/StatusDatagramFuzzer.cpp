// A status datagram from the printer, received with QLNK_RecvData on a UDP context the library
// opened. The fuzz input is the datagram, sent from a loopback socket to the library's socket.
//
// Input: byte 0 is the receive's capacity (255 stands for 65536); the rest is the datagram (at
// most the 65507 bytes a UDP datagram carries).
//
// Checked: the receive brings min(datagram, capacity) bytes exactly as sent and writes nothing
// beyond the capacity; what did not fit is lost, so the next receive (time-out 0) finds nothing.
#include <qlnk.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <vector>

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
constexpr std::size_t kMaxDatagram = 65507;
constexpr uint8_t kCanary = 0xC5;

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// The printer's side and the library's context, set up once: the library sends one status
// request first, so its socket has an address the printer's side answers to.
struct Link {
    int printer = -1;
    QLNK_CommContext context{};
    sockaddr_in library{};

    Link()
    {
        printer = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_addr.s_addr = htonl(kLoopback);
        socklen_t size = sizeof where;
        Require(bind(printer, reinterpret_cast<sockaddr *>(&where), sizeof where) == 0);
        Require(getsockname(printer, reinterpret_cast<sockaddr *>(&where), &size) == 0);
        context.portType = QLNK_PORT_UDP_RAW;
        context.netAddress = kLoopback;
        context.netPort = ntohs(where.sin_port);
        int32_t status = 0;
        Require(QLNK_Open(&context, &status) == 1);
        const uint8_t request[] = {0x00, 0x00, 0x00, 0x00, 0x1B, 0x68};
        uint32_t sent = 0;
        Require(QLNK_SendData(&context.netSocket, request, sizeof request, &sent, QLNK_PORT_UDP_RAW, 1000, &status) ==
                1);
        uint8_t heard[16];
        size = sizeof library;
        Require(recvfrom(printer, heard, sizeof heard, 0, reinterpret_cast<sockaddr *>(&library), &size) ==
                sizeof request);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, std::size_t size)
{
    static Link link;
    if (size == 0) {
        return 0;
    }
    const uint32_t capacity = input[0] == 0xFF ? 65536u : input[0];
    const std::size_t length = std::min(size - 1, kMaxDatagram);
    Require(sendto(link.printer, input + 1, length, 0, reinterpret_cast<const sockaddr *>(&link.library),
                   sizeof link.library) == static_cast<ssize_t>(length));

    std::vector<uint8_t> buffer(capacity + 64, kCanary);
    uint32_t received = 12345;
    int32_t status = 0;
    // The datagram is on its way over loopback; the wait ends as soon as it is there.
    Require(QLNK_RecvData(&link.context.netSocket, buffer.data(), capacity, &received, QLNK_PORT_UDP_RAW, 2000,
                          &status) == 1);
    Require(status == QLNK_OK);
    const std::size_t expected = std::min<std::size_t>(length, capacity);
    Require(received == expected);
    Require(std::memcmp(buffer.data(), input + 1, expected) == 0);
    for (std::size_t i = capacity; i < buffer.size(); ++i) {
        Require(buffer[i] == kCanary);
    }

    // Nothing of it is left for the next receive.
    received = 12345;
    Require(QLNK_RecvData(&link.context.netSocket, buffer.data(), capacity, &received, QLNK_PORT_UDP_RAW, 0, &status) ==
            0);
    Require(status == QLNK_E_TIMEOUT && received == 0);
    int32_t lastError = 0;
    QLNK_GetLastError(&lastError);
    Require(lastError == ETIMEDOUT);
    return 0;
}
