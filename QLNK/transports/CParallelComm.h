#pragma once

#include <qlnk.h>

#include <cstdint>

class CPpdevCalls;

// The parallel port over ppdev: open and IEEE 1284 negotiation, and one read or write per call
// bounded by the call's time-out. Short-lived, one per exported call.
class CParallelComm {
public:
    explicit CParallelComm(CPpdevCalls &calls) : calls_(calls) {}

    // Opens parallelPortName, claims the port and negotiates parallelMode; the descriptor goes
    // into parallelHandle (-1 when the open or the negotiation failed).
    int32_t Open(QLNK_CommContext &context);
    int32_t Send(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    int32_t Receive(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
    // Closes the handle; -1 goes into it on success.
    int32_t Close(int32_t *handle);

private:
    int32_t Transfer(bool write, int fd, uint8_t *buffer, uint32_t length, uint32_t *count, uint32_t timeoutMs);

    CPpdevCalls &calls_;
};
