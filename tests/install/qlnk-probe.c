/* Built against an installed libqlnk with "pkg-config --cflags --libs qlnk". Without arguments it
   checks that the library answers its argument checks; with A.B.C.D it also sends a printer
   initialise (ESC @) over raw TCP port 9100 there and closes the connection. */
#include <qlnk.h>

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

static int fail(const char *what, int32_t status)
{
    fprintf(stderr, "qlnk-probe: %s (status 0x%X)\n", what, (unsigned)status);
    return 1;
}

int main(int argc, char **argv)
{
    int32_t status = 0;
    int32_t last = 0;
    if (QLNK_Open(NULL, &status) != 0 || status != QLNK_E_PARAM) {
        return fail("QLNK_Open(NULL) was not refused as a parameter error", status);
    }
    /* The argument checks record nothing. */
    if (QLNK_GetLastError(&last) != 1 || last != QLNK_NO_ERROR_RECORDED) {
        return fail("QLNK_GetLastError recorded something", last);
    }
    if (argc > 1) {
        struct in_addr address;
        if (inet_pton(AF_INET, argv[1], &address) != 1) {
            return fail("not an IPv4 address", 0);
        }
        QLNK_CommContext context;
        memset(&context, 0, sizeof context);
        context.portType = QLNK_PORT_TCP_RAW;
        context.netSocket = -1;
        context.netAddress = ntohl(address.s_addr);
        context.netPort = 9100;
        context.netTimeout = 5000;
        if (QLNK_Open(&context, &status) != 1) {
            return fail("QLNK_Open over TCP failed", status);
        }
        static const uint8_t initialise[] = {0x1B, 0x40};
        uint32_t sent = 0;
        if (QLNK_SendData(&context.netSocket, initialise, sizeof initialise, &sent, QLNK_PORT_TCP_RAW, 5000, &status) != 1 ||
            sent != sizeof initialise) {
            return fail("QLNK_SendData failed", status);
        }
        if (QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status) != 1) {
            return fail("QLNK_CloseComm failed", status);
        }
    }
    puts("qlnk-probe: ok");
    return 0;
}
