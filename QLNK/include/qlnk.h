/*
 * qlnk.h - the printer communication library.
 *
 * Six plain C functions open a printer port described by a caller-owned record, send and
 * receive blocks with time-outs, close the port, read the last platform error and upload a
 * file by FTP.
 *
 * Results. Every function but QLNK_GetLastError returns 1 on success and 0 on failure, and
 * writes the detail to its status out-parameter: QLNK_OK, or one of the QLNK_E_ codes below.
 * status may be NULL. It is written QLNK_OK first and the result last. When memory runs out,
 * any of them fails with QLNK_E_SYSTEM and ENOMEM in the last error.
 *
 * Calling order.
 *   1. Zero-fill a QLNK_CommContext, set portType and fill in the fields of that port type.
 *   2. QLNK_Open(&context, &status). The port's handle goes into the record's handle field
 *      of that type (serialHandle, parallelHandle, usbHandle or netSocket).
 *   3. QLNK_SendData / QLNK_RecvData with the address of that field and the same portType.
 *   4. QLNK_CloseComm with the address of that field and the same portType, once. It writes -1
 *      there; a second close then fails harmlessly with QLNK_E_SOCKET or QLNK_E_OPEN.
 *   Some failed opens leave the port open (a TCP connect that failed keeps its socket in
 *   netSocket; see QLNK_Open): after any QLNK_Open, close the handle field unless it is -1.
 *   A serial or parallel handle the library did not open, or has closed since (the 0 of a
 *   zero-filled record, a descriptor of the caller's own, a copy of a closed handle), is refused
 *   by send, receive and close with QLNK_E_PARAM and left alone: nothing is read, written or
 *   closed through it.
 *   Calls on different ports may run in different threads at once. The last error is one
 *   value for the whole process.
 *
 * Trace. With the environment variable QLNK_TRACE=1 the library writes one line per exported
 * call to standard error; with QLNK_TRACE=FILE it appends them to FILE. The variable is read
 * once, when the library is loaded. Unset, empty or "0": no trace.
 *   qlnk 14:02:11.507 QLNK_SendData TCP_RAW handle 5, 3 bytes: 1B 40 10 -> QLNK_OK, 3 sent
 */
#ifndef QLNK_H
#define QLNK_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QLNK_API __attribute__((visibility("default")))
#else
#define QLNK_API
#endif

/* Port types: the portType field and the portType argument of every call. */
#define QLNK_PORT_USB_PRINTER     0x2001u
#define QLNK_PORT_USB_HID_OUTPUT  0x2002u
#define QLNK_PORT_USB_HID_FEATURE 0x2003u
#define QLNK_PORT_SERIAL          0x2005u
#define QLNK_PORT_PARALLEL        0x2006u
#define QLNK_PORT_TCP_RAW         0x2007u
#define QLNK_PORT_UDP_RAW         0x2008u
#define QLNK_PORT_TCP_LPR         0x2009u

/* IEEE 1284 modes for parallelMode. */
#define QLNK_PAR_NIBBLE 0x2101u
#define QLNK_PAR_BYTE   0x2102u
#define QLNK_PAR_ECP    0x2103u

/* Result codes written to the status out-parameter. What each means for a given call is
   listed with the call. */
#define QLNK_OK           1      /* done */
#define QLNK_E_OPEN       0x1001 /* a device port could not be opened, or its handle is -1 */
#define QLNK_E_SOCKET     0x1002 /* no socket could be made, or a network handle is -1 */
#define QLNK_E_PARAM      0x1003 /* an argument or record field the call cannot use */
#define QLNK_E_PAR_NIBBLE 0x1004 /* the parallel peripheral refused nibble mode */
#define QLNK_E_PAR_BYTE   0x1005 /* the parallel peripheral refused byte mode */
#define QLNK_E_PAR_ECP    0x1006 /* the parallel peripheral refused ECP mode */
#define QLNK_E_NO_MATCH   0x1007 /* USB printer-class devices exist, none with the ids */
#define QLNK_E_NO_DEVICE  0x1008 /* no USB printer-class device is present */
#define QLNK_E_TIMEOUT    0x1009 /* nothing moved in time, or a TCP connection was not made */
#define QLNK_E_SYSTEM     0x100A /* the system refused; the last error says why */

/* The value QLNK_GetLastError gives when nothing has been recorded. */
#define QLNK_NO_ERROR_RECORDED 0xFFFF

/* Bits of QLNK_DCB.flags. */
#define QLNK_DCB_BINARY              0x00000001u
#define QLNK_DCB_PARITY_CHECK        0x00000002u
#define QLNK_DCB_CTS_OUTPUT_FLOW     0x00000004u
#define QLNK_DCB_DSR_OUTPUT_FLOW     0x00000008u
#define QLNK_DCB_DTR_CONTROL_MASK    0x00000030u /* 0 disable, 1 enable, 2 handshake */
#define QLNK_DCB_DTR_CONTROL_SHIFT   4
#define QLNK_DCB_DSR_SENSITIVITY     0x00000040u
#define QLNK_DCB_TX_CONTINUE_ON_XOFF 0x00000080u
#define QLNK_DCB_XONXOFF_OUTPUT      0x00000100u
#define QLNK_DCB_XONXOFF_INPUT       0x00000200u
#define QLNK_DCB_ERROR_CHAR          0x00000400u
#define QLNK_DCB_NULL_STRIPPING      0x00000800u
#define QLNK_DCB_RTS_CONTROL_MASK    0x00003000u /* 0 disable, 1 enable, 2 handshake, 3 toggle */
#define QLNK_DCB_RTS_CONTROL_SHIFT   12
#define QLNK_DCB_ABORT_ON_ERROR      0x00004000u

/* Parity and stop-bit codes of QLNK_DCB. */
#define QLNK_PARITY_NONE           0
#define QLNK_PARITY_ODD            1
#define QLNK_PARITY_EVEN           2
#define QLNK_PARITY_MARK           3
#define QLNK_PARITY_SPACE          4
#define QLNK_STOPBITS_ONE          0
#define QLNK_STOPBITS_ONE_AND_HALF 1
#define QLNK_STOPBITS_TWO          2

/* Serial line settings: the 28-byte device-control block of the Windows serial API. */
typedef struct QLNK_DCB {
    uint32_t DCBlength;
    uint32_t BaudRate;
    uint32_t flags;
    uint16_t wReserved;
    uint16_t XonLim;
    uint16_t XoffLim;
    uint8_t ByteSize;
    uint8_t Parity;
    uint8_t StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    uint16_t wReserved1;
} QLNK_DCB;

/* One port, owned by the caller: zero-fill it, fill in the block of its port type, open it. */
typedef struct QLNK_CommContext {
    uint32_t portType;
    int32_t serialHandle;          /* file descriptor, -1 closed */
    const wchar_t *serialPortName; /* "COM1", "/dev/ttyUSB0", ... */
    QLNK_DCB serialDcb;
    int32_t parallelHandle;
    const wchar_t *parallelPortName; /* "LPT1", "/dev/parport0", ... */
    uint32_t parallelMode;           /* QLNK_PAR_ */
    int32_t usbHandle;
    uint32_t usbVendorId;
    uint32_t usbProductId;
    int32_t netSocket;
    uint32_t netAddress; /* IPv4, first octet most significant */
    uint32_t netPort;    /* low 16 bits used */
    uint32_t netTimeout; /* connect time-out, milliseconds */
} QLNK_CommContext;

#ifdef __cplusplus
#define QLNK_STATIC_ASSERT(cond, text) static_assert(cond, text)
#else
#define QLNK_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif

QLNK_STATIC_ASSERT(sizeof(QLNK_DCB) == 28, "QLNK_DCB is 28 bytes");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, flags) == 8, "QLNK_DCB.flags");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, XonLim) == 14, "QLNK_DCB.XonLim");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, ByteSize) == 18, "QLNK_DCB.ByteSize");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, XonChar) == 21, "QLNK_DCB.XonChar");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, wReserved1) == 26, "QLNK_DCB.wReserved1");

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
QLNK_STATIC_ASSERT(sizeof(QLNK_CommContext) == 88, "QLNK_CommContext is 88 bytes on 64-bit Linux");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, serialHandle) == 4, "serialHandle");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, serialPortName) == 8, "serialPortName");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, serialDcb) == 16, "serialDcb");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, parallelHandle) == 44, "parallelHandle");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, parallelPortName) == 48, "parallelPortName");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, parallelMode) == 56, "parallelMode");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, usbHandle) == 60, "usbHandle");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, usbVendorId) == 64, "usbVendorId");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, usbProductId) == 68, "usbProductId");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netSocket) == 72, "netSocket");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netAddress) == 76, "netAddress");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netPort) == 80, "netPort");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netTimeout) == 84, "netTimeout");
#endif

/* QLNK_Open: opens the port context describes.
   Reads portType and the fields of that type; writes the handle field of that type.
     SERIAL    serialPortName ("COM1" is /dev/ttyS0, "/dev/ttyUSB0" a path, "ttyACM0" /dev/ttyACM0),
               opened exclusively, then serialDcb applied -> serialHandle. Only a terminal
               opens: a name that is none (a regular file, a FIFO, /dev/null) is refused before
               a byte reaches it.
     PARALLEL  parallelPortName ("LPT1" is /dev/parport0), opened exclusively and claimed, then
               parallelMode (QLNK_PAR_) negotiated -> parallelHandle.
     TCP_RAW, TCP_LPR
               netAddress, netPort, netTimeout (the connect time-out, ms) -> netSocket.
     UDP_RAW   netAddress, netPort (where each send goes; broadcast allowed) -> netSocket.
     USB_PRINTER
               usbVendorId, usbProductId: the first of the present usblp nodes (at most 127)
               whose USB device has both ids, opened read-write -> usbHandle. A failed search
               leaves usbHandle alone.
     USB_HID_OUTPUT, USB_HID_FEATURE
               usbVendorId, usbProductId: usbHandle is set to -1, then the last of the hidraw
               nodes whose device has both ids is opened read-write -> usbHandle. None with the
               ids: QLNK_E_OPEN (ENOENT).
   Codes:
     QLNK_OK           open; the handle is in its field.
     QLNK_E_PARAM      context is NULL, or portType is unknown (nothing written); or the serial
                       settings were refused (the port stays open in serialHandle); or
                       parallelMode is no QLNK_PAR_ value (the port stays open in parallelHandle).
     QLNK_E_OPEN       the device could not be opened: missing (ENOENT), held by another open
                       (EBUSY), not allowed (EACCES), serial: not a terminal (ENOTTY); no USB
                       device (ENODEV). Handle field -1.
     QLNK_E_NO_DEVICE  USB_PRINTER: no printer-class device is present (ENODEV).
     QLNK_E_NO_MATCH   USB_PRINTER: none has the ids (ENODEV).
     QLNK_E_SOCKET     no socket could be made. netSocket -1.
     QLNK_E_TIMEOUT    the TCP connection was not made: no answer within netTimeout (ETIMEDOUT),
                       or refused or unreachable, reported at once (ECONNREFUSED, EHOSTUNREACH,
                       ENETUNREACH, EHOSTDOWN, ...). The socket stays in netSocket: close it.
     QLNK_E_SYSTEM     USB_HID_*: the hidraw nodes could not be listed (usbHandle -1);
                       TCP: the connect failed otherwise (socket stays in netSocket); UDP:
                       broadcast could not be allowed (socket stays in netSocket); parallel: the
                       claim or the negotiation request failed (port stays in parallelHandle).
     QLNK_E_PAR_NIBBLE, QLNK_E_PAR_BYTE, QLNK_E_PAR_ECP
                       the peripheral refused the mode (ENXIO) or does not speak IEEE 1284
                       (EIO); the port is closed and parallelHandle is -1.
   Last error: serial, parallel and USB opens record theirs whatever the result (0 when it worked);
   a TCP connect that had to wait leaves EINPROGRESS even when it then succeeded. */
QLNK_API int32_t QLNK_Open(QLNK_CommContext *context, int32_t *status);

/* QLNK_SendData: sends length bytes of data on the open port *handle of type portType.
   Reads *handle (never writes it) and data; writes *sent (may be NULL), 0 first and then the
   count handed over, on failure too:
     TCP_RAW   everything, within timeoutMs for the whole call; after QLNK_E_TIMEOUT or
               QLNK_E_SYSTEM *sent keeps the bytes that did go out, the rest was never sent.
     UDP_RAW   one datagram to the address given at the open; *sent is its length, or 0.
     TCP_LPR   one whole RFC 1179 print job (queue "lp1"); timeoutMs bounds each step and each
               acknowledgement wait. What an acknowledgement says is not looked at. *sent is the
               count of the data step, its trailing zero octet included (length + 1 when all
               went), 0 when the job ended before it.
     SERIAL    one write within timeoutMs plus 100 ms per byte; *sent is what has left the
               port (bytes still queued when the limit runs out are withdrawn, not sent later),
               which may be less than length with QLNK_OK.
     PARALLEL  one write within timeoutMs; *sent is what the port took (may be less, QLNK_OK).
     USB_PRINTER
               written in chunks of at most 4096 bytes (a length that is a multiple of 4096
               ends with a write of none), each waited for, all within timeoutMs; *sent is
               what the printer took, also after a failure.
     USB_HID_OUTPUT
               one output report of the device's vendor layout: the short one when the data
               fits it, else the long one, each carrying the data (padded with zeros) and its
               length; *sent is the report's length.
     USB_HID_FEATURE
               one feature report carrying the data and its length; *sent is that length.
               The HID types do not use timeoutMs: the kernel bounds each report transfer.
   Codes:
     QLNK_OK           sent as above.
     QLNK_E_PARAM      handle is NULL, data is NULL with length > 0, or portType is unknown; or,
                       serial, parallel and USB, *handle is no port this library has open
                       (EBADF); HID: the data does not fit the longest report (EMSGSIZE),
                       nothing is sent.
     QLNK_E_SOCKET     *handle is -1 (network types).
     QLNK_E_OPEN       *handle is -1 (device types).
     QLNK_E_TIMEOUT    the time-out ran out (ETIMEDOUT); LPR: an acknowledgement did not come in
                       time, even the last one after all data went; serial and parallel: nothing
                       moved (length 0 included), or a serial device error (its errno);
                       USB_PRINTER: the printer did not take the rest in time.
     QLNK_E_SYSTEM     the system refused: the peer closed (EPIPE, ECONNRESET), a UDP socket this
                       library did not open (EDESTADDRREQ), a parallel or USB error (EIO,
                       ENODEV: unplugged); HID: the device's report descriptor does not parse or
                       lacks the vendor layout (EPROTO). */
QLNK_API int32_t QLNK_SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                               uint32_t timeoutMs, int32_t *status);

/* QLNK_RecvData: receives what one completion brings, at most capacity bytes, into buffer.
   Reads *handle (never writes it); writes buffer and *received (may be NULL), 0 first:
     TCP_RAW   what has arrived, waiting up to timeoutMs for the first bytes. QLNK_OK with
               *received 0: the peer closed the connection.
     UDP_RAW   one datagram; bytes beyond capacity are lost. Its sender is not reported. When
               the system reports that nobody listens at the destination (an ICMP "port
               unreachable" to an earlier send), the receive ends at once.
     SERIAL    returns as soon as one byte is there, waiting up to timeoutMs for it; *received
               is what arrived, also with QLNK_E_TIMEOUT after a device error.
     PARALLEL  one read (nibble, byte or ECP mode) within timeoutMs.
     USB_PRINTER
               one read within timeoutMs.
     USB_HID_FEATURE
               one feature report read from the device: its whole data field into buffer, the
               length it carries (low 16 bits) into *received; timeoutMs is not used.
   Codes:
     QLNK_OK           *received bytes are in buffer.
     QLNK_E_PARAM      handle is NULL, buffer is NULL with capacity > 0, portType is unknown, or
                       the type has no receive (TCP_LPR, USB_HID_OUTPUT; checked before *handle);
                       or, serial, parallel and USB, *handle is no port this library has open
                       (EBADF); USB_HID_FEATURE: capacity is smaller than the report's data
                       field (ENOBUFS), nothing is read.
     QLNK_E_SOCKET     *handle is -1 (network types).
     QLNK_E_OPEN       *handle is -1 (device types).
     QLNK_E_TIMEOUT    nothing arrived within timeoutMs (ETIMEDOUT); UDP: nobody listens at the
                       destination (ECONNREFUSED, at once); serial: a device error (its errno);
                       parallel: nothing read (ETIMEDOUT, EAGAIN); USB_PRINTER: nothing arrived
                       (ETIMEDOUT).
     QLNK_E_SYSTEM     the system refused (ECONNRESET, EBADF, a port error); HID: the report
                       descriptor does not parse or lacks the vendor layout (EPROTO). */
QLNK_API int32_t QLNK_RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received,
                               uint32_t portType, uint32_t timeoutMs, int32_t *status);

/* QLNK_CloseComm: closes the port *handle of type portType (sockets are shut down first) and
   writes -1 to *handle. After a failure *handle is as it was.
   Codes:
     QLNK_OK           closed; *handle is -1.
     QLNK_E_PARAM      handle is NULL or portType is unknown; or, serial, parallel and USB,
                       *handle is no port this library has open (EBADF), a zero-filled
                       record's 0 included: nothing is closed.
     QLNK_E_SOCKET     *handle is -1 (network types): already closed.
     QLNK_E_OPEN       *handle is -1 (device types): already closed.
     QLNK_E_SYSTEM     the shutdown or close failed (ENOTSOCK: not a socket, EBADF: not open). */
QLNK_API int32_t QLNK_CloseComm(int32_t *handle, uint32_t portType, int32_t *status);

/* QLNK_FTPPutFile: uploads the local file localPath as remoteName (relative to the login
   folder) to the FTP server at address (IPv4, first octet most significant) and the low 16 bits
   of port, logging in as user with password. Passive mode, binary, no proxy; clientName is
   taken and not used. The wide strings are sent and opened as UTF-8; a NULL clientName, user
   or password counts as empty. Up to three attempts to connect and log in, one after the other,
   while the connection is refused or dropped or the login refused; an attempt that runs into a
   limit below is not repeated.
   Limits (fixed; the call has no time-out argument):
     10 s       to connect, be greeted and log in, each attempt;
     30 s       for each later reply of the server (to a command, and after the data went);
     30 s       of the transfer moving less than 1 byte a second ends it;
     10 min     for the attempts and the upload together; the QUIT that ends a session
                waits at most one reply limit more.
   Codes:
     QLNK_OK           uploaded; the last error is 0.
     QLNK_E_PARAM      localPath or remoteName is NULL. No connection is made; nothing recorded.
     QLNK_E_TIMEOUT    not uploaded: a limit ran out; the last error is 28
                       (CURLE_OPERATION_TIMEDOUT).
     QLNK_E_SYSTEM     not uploaded; the last error is libcurl's result code: 7 no connection
                       (CURLE_COULDNT_CONNECT), 67 login refused (CURLE_LOGIN_DENIED), 26 the
                       local file cannot be read (CURLE_READ_ERROR), 2 libcurl could not start
                       (CURLE_FAILED_INIT), or another of libcurl's codes. */
QLNK_API int32_t QLNK_FTPPutFile(const wchar_t *clientName, const wchar_t *user, const wchar_t *password, int32_t port,
                                 uint32_t address, const wchar_t *localPath, const wchar_t *remoteName,
                                 int32_t *status);

/* QLNK_GetLastError: the most recent platform error, and resets it: *value gets an errno
   value, or libcurl's result code after an FTP upload, or QLNK_NO_ERROR_RECORDED when nothing
   was recorded since the last read. The read and the reset are one atomic step. Every failure
   inside a transport records its errno (EBADF for a serial or parallel handle the library does
   not have open); the argument checks (QLNK_E_PARAM for a NULL pointer or unknown type,
   QLNK_E_SOCKET / QLNK_E_OPEN for a handle of -1) record nothing. value NULL:
   nothing is read or reset. Always returns 1. */
QLNK_API int32_t QLNK_GetLastError(int32_t *value);

/* Function types, for callers that load the library by name. */
typedef int32_t (*QLNK_OpenFn)(QLNK_CommContext *, int32_t *);
typedef int32_t (*QLNK_SendDataFn)(int32_t *, const uint8_t *, uint32_t, uint32_t *, uint32_t, uint32_t, int32_t *);
typedef int32_t (*QLNK_RecvDataFn)(int32_t *, uint8_t *, uint32_t, uint32_t *, uint32_t, uint32_t, int32_t *);
typedef int32_t (*QLNK_CloseCommFn)(int32_t *, uint32_t, int32_t *);
typedef int32_t (*QLNK_FTPPutFileFn)(const wchar_t *, const wchar_t *, const wchar_t *, int32_t, uint32_t,
                                     const wchar_t *, const wchar_t *, int32_t *);
typedef int32_t (*QLNK_GetLastErrorFn)(int32_t *);

#ifdef __cplusplus
}
#endif

#endif /* QLNK_H */
