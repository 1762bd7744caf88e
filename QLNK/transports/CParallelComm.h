#pragma once

#include <qlnk.h>

#include <cstdint>
#include <string>

class CPpdevCalls;

// The parallel port over ppdev: open and IEEE 1284 negotiation, and one read or write per call
// bounded by the call's time-out.
class CParallelComm {
public:
    // Opens parallelPortName, claims the port and negotiates parallelMode; the descriptor goes
    // into parallelHandle (-1 when the open or the negotiation failed).
    static int32_t Open(QLNK_CommContext &context);
    static int32_t Send(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    static int32_t Receive(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
    // Closes a parallel port this library opened; -1 goes into the handle on success. Any other
    // descriptor is left alone (QLNK_E_PARAM), and Send and Receive refuse it the same way.
    static int32_t Close(int32_t *handle);
    // The device path parallelPortName opens.
    static std::string Describe(const QLNK_CommContext &context);

    // The ppdev calls this transport goes through: the kernel's unless a test put its own in
    // place (nullptr restores the kernel's).
    static CPpdevCalls &calls();
    static void SetCalls(CPpdevCalls *standIn);

private:
    static int32_t Transfer(bool write, int fd, uint8_t *buffer, uint32_t length, uint32_t *count, uint32_t timeoutMs);
};
