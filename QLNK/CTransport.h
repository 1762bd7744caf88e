#pragma once

#include <qlnk.h>

#include <cstdint>
#include <string>

// One port type's operations. CQLNKApp makes the checks every call shares, looks the caller's
// port type up here once and calls through the record; no operation repeats those checks. A
// new transport is one more record in the table in CTransport.cpp.
//
// Rules for every operation: it returns QLNK_OK or a QLNK_E_ code, records the errno of every
// failure in CLastError (and may leave an earlier value there on success), blocks no longer
// than its time-out, and leaves nothing pending that could touch the caller's memory later.
struct CTransport {
    uint32_t portType;
    // The port type's name in the trace: "TCP_RAW".
    const char *name;
    // A handle of -1 gives QLNK_E_SOCKET for socket transports and QLNK_E_OPEN for the others.
    bool network;
    // The field of the caller's record that Open fills in.
    int32_t QLNK_CommContext::*handleField;

    // Opens the port context describes and writes its handle into handleField. The record is
    // not null and its portType is this record's. On failure it leaves -1 in handleField, or
    // whatever descriptor it got, for the caller to close (each transport says which, and
    // qlnk.h tells the caller). Device opens record their errno whatever the result.
    int32_t (*Open)(QLNK_CommContext &context);

    // Sends length bytes (data may be null only when length is 0) on handle, which is never -1.
    // *sent is 0 on entry; afterwards it holds the count that went out, on failure too.
    int32_t (*Send)(int handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);

    // Receives what one completion brings, at most capacity bytes, into buffer (null only when
    // capacity is 0). *received is 0 on entry and holds the count that arrived afterwards.
    // Null in a record: the port type has no receive, and the call fails with QLNK_E_PARAM
    // before the handle is looked at.
    int32_t (*Receive)(int handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);

    // Closes *handle, which is never -1, and writes -1 there on success only: after a failure
    // the caller's field is as it was.
    int32_t (*Close)(int32_t *handle);

    // What Open opens, in words for the trace ("127.0.0.1:9100", "/dev/ttyS0"). Called only
    // while the trace is on.
    std::string (*Describe)(const QLNK_CommContext &context);

    // The record of a port type; null for a type the library does not know (0x2004 included).
    static const CTransport *Find(uint32_t portType);
};
