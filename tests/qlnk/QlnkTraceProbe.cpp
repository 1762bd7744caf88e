// A caller of the library for QlnkTraceTest: one raw TCP session against a loopback listener
// of its own. Prints "PORT HANDLE" and exits 0, or exits with the line of the first wrong answer.
#include <qlnk.h>

#include <arpa/inet.h>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

int main()
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof where;
    if (bind(listener, reinterpret_cast<sockaddr *>(&where), size) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr *>(&where), &size) != 0) {
        return __LINE__;
    }
    QLNK_CommContext context{};
    context.portType = QLNK_PORT_TCP_RAW;
    context.netAddress = INADDR_LOOPBACK;
    context.netPort = ntohs(where.sin_port);
    context.netTimeout = 2000;
    int32_t status = 0;
    if (QLNK_Open(&context, &status) != 1) {
        return __LINE__;
    }
    const int peer = accept(listener, nullptr, nullptr);
    const int32_t handle = context.netSocket;
    const uint8_t out[] = {0x1B, 0x40, 0x10};
    const uint8_t back[] = {0x12, 0x34};
    uint8_t buffer[16];
    uint32_t count = 0;
    if (QLNK_SendData(&context.netSocket, out, sizeof out, &count, QLNK_PORT_TCP_RAW, 1000, &status) != 1 ||
        recv(peer, buffer, sizeof out, MSG_WAITALL) != sizeof out || send(peer, back, sizeof back, 0) != 2 ||
        QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_TCP_RAW, 2000, &status) != 1 ||
        count != 2) {
        return __LINE__;
    }
    // Nothing more comes: a time-out, whose errno the trace shows.
    if (QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_TCP_RAW, 50, &status) != 0 ||
        QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status) != 1) {
        return __LINE__;
    }
    std::printf("%u %d\n", context.netPort, handle);
    close(peer);
    close(listener);
    return 0;
}
