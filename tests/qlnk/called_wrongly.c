/* Every export called wrongly from C: NULL pointers, huge lengths, unknown port types, handles
   that are closed or were never opened, and two threads at once. Nothing may crash, and every
   call must answer with the code qlnk.h gives for it. Compiled as C, linked against the library
   only. Exits non-zero when an answer is wrong. */
#include <qlnk.h>

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static _Thread_local int failures;

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition);                                            \
            ++failures;                                                                                                \
        }                                                                                                              \
    } while (0)

/* A call returns 1 exactly when it wrote QLNK_OK. */
#define CHECK_CODE(call, expected)                                                                                     \
    do {                                                                                                               \
        status = 0x7777;                                                                                               \
        const int32_t returned_ = (call);                                                                              \
        CHECK(status == (expected));                                                                                   \
        CHECK(returned_ == ((expected) == QLNK_OK ? 1 : 0));                                                           \
    } while (0)

#define HUGE     0xFFFFFFFFu
#define LOOPBACK 0x7F000001u

static int32_t TakeLastError(void)
{
    int32_t value = 0;
    QLNK_GetLastError(&value);
    return value;
}

/* A loopback socket of the test's own, bound to a port the system picks (a stream socket does
   not listen: connections to it are refused). */
static int Bound(int kind, uint16_t *port)
{
    struct sockaddr_in where;
    socklen_t size = sizeof where;
    const int fd = socket(AF_INET, kind | SOCK_CLOEXEC, 0);
    memset(&where, 0, sizeof where);
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(LOOPBACK);
    if (fd < 0 || bind(fd, (struct sockaddr *)&where, sizeof where) != 0 ||
        getsockname(fd, (struct sockaddr *)&where, &size) != 0) {
        return -1;
    }
    *port = ntohs(where.sin_port);
    return fd;
}

/* What each port type answers for a handle of -1 and for the 0 of a zero-filled record (standard
   input, /dev/null here: no socket, and no port of the library's). */
static const struct {
    uint32_t type;
    int32_t sendClosed, receiveClosed, closeClosed;
    int32_t sendZero, receiveZero, closeZero;
    int32_t zeroError; /* recorded by the calls on 0 */
} kTypes[] = {
    {QLNK_PORT_TCP_RAW, QLNK_E_SOCKET, QLNK_E_SOCKET, QLNK_E_SOCKET, QLNK_E_SYSTEM, QLNK_E_SYSTEM, QLNK_E_SYSTEM,
     ENOTSOCK},
    {QLNK_PORT_UDP_RAW, QLNK_E_SOCKET, QLNK_E_SOCKET, QLNK_E_SOCKET, QLNK_E_SYSTEM, QLNK_E_SYSTEM, QLNK_E_SYSTEM,
     ENOTSOCK},
    {QLNK_PORT_TCP_LPR, QLNK_E_SOCKET, QLNK_E_PARAM, QLNK_E_SOCKET, QLNK_E_SYSTEM, QLNK_E_PARAM, QLNK_E_SYSTEM,
     ENOTSOCK},
    {QLNK_PORT_SERIAL, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, EBADF},
    {QLNK_PORT_PARALLEL, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, EBADF},
    {QLNK_PORT_USB_PRINTER, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, EBADF},
    {QLNK_PORT_USB_HID_OUTPUT, QLNK_E_OPEN, QLNK_E_PARAM, QLNK_E_OPEN, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, EBADF},
    {QLNK_PORT_USB_HID_FEATURE, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_OPEN, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, EBADF},
    /* Unknown types: refused before anything else. */
    {0u, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_NO_ERROR_RECORDED},
    {0x2004u, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM,
     QLNK_NO_ERROR_RECORDED},
    {HUGE, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_E_PARAM, QLNK_NO_ERROR_RECORDED},
};

static void EachTypeWrongly(void)
{
    int32_t status;
    size_t i;
    for (i = 0; i < sizeof kTypes / sizeof kTypes[0]; ++i) {
        const uint32_t type = kTypes[i].type;
        uint8_t small[4] = {0xA5, 0xA5, 0xA5, 0xA5};
        uint32_t count = 9;
        int32_t handle = -1;
        QLNK_CommContext zero;
        int32_t *never;
        fprintf(stderr, "port type 0x%X\n", (unsigned)type);

        /* No handle, or no buffer with a length: refused whatever the type. */
        CHECK_CODE(QLNK_SendData(NULL, small, sizeof small, &count, type, 100, &status), QLNK_E_PARAM);
        CHECK(count == 0);
        CHECK_CODE(QLNK_SendData(&handle, NULL, 5, &count, type, 100, &status), QLNK_E_PARAM);
        CHECK_CODE(QLNK_RecvData(NULL, small, sizeof small, &count, type, 100, &status), QLNK_E_PARAM);
        CHECK_CODE(QLNK_RecvData(&handle, NULL, HUGE, &count, type, HUGE, &status), QLNK_E_PARAM);
        CHECK_CODE(QLNK_CloseComm(NULL, type, &status), QLNK_E_PARAM);
        CHECK(QLNK_SendData(NULL, NULL, HUGE, NULL, type, HUGE, NULL) == 0);
        CHECK(QLNK_RecvData(NULL, NULL, HUGE, NULL, type, HUGE, NULL) == 0);
        CHECK(QLNK_CloseComm(NULL, type, NULL) == 0);

        /* A closed handle with a huge length and a small buffer: the buffer is never touched. */
        count = 9;
        CHECK_CODE(QLNK_SendData(&handle, small, HUGE, &count, type, HUGE, &status), kTypes[i].sendClosed);
        CHECK(count == 0);
        CHECK_CODE(QLNK_SendData(&handle, NULL, 0, NULL, type, HUGE, &status), kTypes[i].sendClosed);
        count = 9;
        CHECK_CODE(QLNK_RecvData(&handle, small, HUGE, &count, type, HUGE, &status), kTypes[i].receiveClosed);
        CHECK(count == 0);
        CHECK_CODE(QLNK_RecvData(&handle, small, HUGE, NULL, type, HUGE, &status), kTypes[i].receiveClosed);
        CHECK(small[0] == 0xA5 && small[3] == 0xA5);
        /* Closed twice over. */
        CHECK_CODE(QLNK_CloseComm(&handle, type, &status), kTypes[i].closeClosed);
        CHECK_CODE(QLNK_CloseComm(&handle, type, &status), kTypes[i].closeClosed);
        CHECK(handle == -1);
        CHECK(TakeLastError() == QLNK_NO_ERROR_RECORDED);

        /* A zero-filled record that was never opened: its 0 is standard input, not a port. */
        memset(&zero, 0, sizeof zero);
        zero.portType = type;
        never = type == QLNK_PORT_SERIAL              ? &zero.serialHandle
                : type == QLNK_PORT_PARALLEL          ? &zero.parallelHandle
                : kTypes[i].sendClosed == QLNK_E_OPEN ? &zero.usbHandle
                                                      : &zero.netSocket;
        count = 9;
        CHECK_CODE(QLNK_SendData(never, small, 2, &count, type, 0, &status), kTypes[i].sendZero);
        CHECK(count == 0);
        CHECK_CODE(QLNK_RecvData(never, small, sizeof small, &count, type, 0, &status), kTypes[i].receiveZero);
        CHECK(count == 0);
        CHECK_CODE(QLNK_CloseComm(never, type, &status), kTypes[i].closeZero);
        CHECK(*never == 0);
        CHECK(fcntl(0, F_GETFD) != -1);
        CHECK(TakeLastError() == kTypes[i].zeroError);
        /* An unknown type opens and clears nothing. */
        if (kTypes[i].sendClosed == QLNK_E_PARAM) {
            CHECK_CODE(QLNK_Open(&zero, &status), QLNK_E_PARAM);
            CHECK(zero.serialHandle == 0 && zero.parallelHandle == 0 && zero.usbHandle == 0 && zero.netSocket == 0);
        }
    }
}

/* The USB types reach their device search: ids beyond 16 bits, which no device has, end it on
   any machine. The printer class leaves usbHandle alone; the HID search clears it first and then
   finds nothing to open. */
static void UsbSearchedFor(void)
{
    static const uint32_t kUsbTypes[] = {QLNK_PORT_USB_PRINTER, QLNK_PORT_USB_HID_OUTPUT, QLNK_PORT_USB_HID_FEATURE};
    int32_t status;
    size_t i;
    for (i = 0; i < sizeof kUsbTypes / sizeof kUsbTypes[0]; ++i) {
        QLNK_CommContext usb;
        memset(&usb, 0, sizeof usb);
        usb.portType = kUsbTypes[i];
        usb.usbHandle = 7;
        usb.usbVendorId = 0x11A2Bu;
        usb.usbProductId = 0x10001u;
        fprintf(stderr, "USB search 0x%X\n", (unsigned)kUsbTypes[i]);
        status = 0x7777;
        CHECK(QLNK_Open(&usb, &status) == 0);
        if (kUsbTypes[i] == QLNK_PORT_USB_PRINTER) {
            CHECK(status == QLNK_E_NO_DEVICE || status == QLNK_E_NO_MATCH);
            CHECK(usb.usbHandle == 7);
            CHECK(TakeLastError() == ENODEV);
        } else {
            CHECK(status == QLNK_E_OPEN);
            CHECK(usb.usbHandle == -1);
            CHECK(TakeLastError() == ENOENT);
        }
    }
}

static void FtpWrongly(void)
{
    int32_t status;
    uint16_t closedPort = 0;
    const int taken = Bound(SOCK_STREAM, &closedPort);
    CHECK(taken >= 0);
    CHECK_CODE(QLNK_FTPPutFile(NULL, NULL, NULL, closedPort, LOOPBACK, NULL, L"a.bin", &status), QLNK_E_PARAM);
    CHECK_CODE(QLNK_FTPPutFile(NULL, NULL, NULL, closedPort, LOOPBACK, L"/nonexistent/a.bin", NULL, &status),
               QLNK_E_PARAM);
    CHECK(TakeLastError() == QLNK_NO_ERROR_RECORDED);
    CHECK(QLNK_FTPPutFile(NULL, NULL, NULL, -1, 0, NULL, NULL, NULL) == 0);
    /* NULL names count as empty: the call goes as far as the refused connection. */
    CHECK_CODE(QLNK_FTPPutFile(NULL, NULL, NULL, closedPort, LOOPBACK, L"", L"", &status), QLNK_E_SYSTEM);
    CHECK(TakeLastError() == 7 /* CURLE_COULDNT_CONNECT */);
    close(taken);
}

static void OpenWrongly(void)
{
    int32_t status;
    int32_t value = 0;
    QLNK_CommContext udp;
    CHECK_CODE(QLNK_Open(NULL, &status), QLNK_E_PARAM);
    CHECK(QLNK_Open(NULL, NULL) == 0);
    CHECK(QLNK_GetLastError(NULL) == 1);

    /* A failure is kept through a read into NULL, then read once. */
    memset(&udp, 0, sizeof udp);
    udp.portType = QLNK_PORT_SERIAL;
    udp.serialPortName = L"/nonexistent-port/ttyX";
    CHECK_CODE(QLNK_Open(&udp, NULL), 0x7777); /* no status written anywhere */
    CHECK(udp.serialHandle == -1);
    CHECK(QLNK_GetLastError(NULL) == 1);
    CHECK(QLNK_GetLastError(&value) == 1 && value == ENOENT);

    /* A socket closed through its record, then closed again. */
    memset(&udp, 0, sizeof udp);
    udp.portType = QLNK_PORT_UDP_RAW;
    udp.netAddress = LOOPBACK;
    udp.netPort = 9;
    CHECK_CODE(QLNK_Open(&udp, &status), QLNK_OK);
    CHECK_CODE(QLNK_CloseComm(&udp.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_OK);
    CHECK(udp.netSocket == -1);
    CHECK_CODE(QLNK_CloseComm(&udp.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_E_SOCKET);
}

/* Each thread: its own UDP context against its own peer, datagrams both ways. */
static void *Exchange(void *argument)
{
    const int id = (int)(intptr_t)argument;
    int32_t status;
    int round;
    uint16_t port = 0;
    const int peer = Bound(SOCK_DGRAM, &port);
    QLNK_CommContext context;
    failures = 0;
    CHECK(peer >= 0);
    memset(&context, 0, sizeof context);
    context.portType = QLNK_PORT_UDP_RAW;
    context.netAddress = LOOPBACK;
    context.netPort = port;
    CHECK_CODE(QLNK_Open(&context, &status), QLNK_OK);
    for (round = 0; round < 300 && failures == 0; ++round) {
        char out[32];
        char heard[64];
        uint8_t back[64];
        uint32_t count = 0;
        struct sockaddr_in from;
        socklen_t size = sizeof from;
        const int length = snprintf(out, sizeof out, "thread %d round %d", id, round);
        ssize_t n;
        CHECK_CODE(QLNK_SendData(&context.netSocket, (const uint8_t *)out, (uint32_t)length, &count, QLNK_PORT_UDP_RAW,
                                 2000, &status),
                   QLNK_OK);
        CHECK(count == (uint32_t)length);
        n = recvfrom(peer, heard, sizeof heard, 0, (struct sockaddr *)&from, &size);
        CHECK(n == length && memcmp(heard, out, (size_t)length) == 0);
        heard[0] = 'T';
        CHECK(sendto(peer, heard, (size_t)length, 0, (struct sockaddr *)&from, size) == length);
        CHECK_CODE(QLNK_RecvData(&context.netSocket, back, sizeof back, &count, QLNK_PORT_UDP_RAW, 2000, &status),
                   QLNK_OK);
        CHECK(count == (uint32_t)length && memcmp(back, heard, (size_t)length) == 0);
    }
    CHECK_CODE(QLNK_CloseComm(&context.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_OK);
    CHECK_CODE(QLNK_CloseComm(&context.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_E_SOCKET);
    close(peer);
    return (void *)(intptr_t)failures;
}

int main(void)
{
    pthread_t threads[2];
    int i;
    int total;
    /* Standard input as a known non-socket that stays open. */
    const int null = open("/dev/null", O_RDONLY);
    if (null < 0 || dup2(null, 0) != 0) {
        return 2;
    }
    close(null);

    OpenWrongly();
    EachTypeWrongly();
    UsbSearchedFor();
    FtpWrongly();
    total = failures;
    for (i = 0; i < 2; ++i) {
        CHECK(pthread_create(&threads[i], NULL, Exchange, (void *)(intptr_t)i) == 0);
    }
    total += failures;
    for (i = 0; i < 2; ++i) {
        void *result = NULL;
        pthread_join(threads[i], &result);
        total += (int)(intptr_t)result;
    }
    fprintf(stderr, "%d wrong answers\n", total);
    return total == 0 ? 0 : 1;
}
