#include "rollvane/link/QlnkBinding.h"

namespace rollvane {

namespace {

// Only the low byte of the library's result counts.
int Passed(int32_t result)
{
    return (result & 0xFF) != 0 ? 1 : 0;
}

}  // namespace

std::unique_ptr<platform::SharedLibrary> QlnkBinding::Load()
{
    return platform::SharedLibrary::Load(libraryName_, &loadError_);
}

int QlnkBinding::Hold()
{
    held_ = Load();
    return held_ && held_->Symbol("QLNK_Open") ? 1 : 0;
}

int QlnkBinding::Open(QLNK_CommContext *context)
{
    if (!held_) {
        return 0;
    }
    auto open = reinterpret_cast<QLNK_OpenFn>(held_->Symbol("QLNK_Open"));
    if (!open) {
        return 0;
    }
    int32_t status = 0;
    return Passed(open(context, &status));
}

int QlnkBinding::SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                          uint32_t timeoutMs)
{
    auto library = Load();
    if (!library) {
        return 0;
    }
    auto send = reinterpret_cast<QLNK_SendDataFn>(library->Symbol("QLNK_SendData"));
    if (!send) {
        return 0;
    }
    int32_t status = 0;
    return Passed(send(handle, data, length, sent, portType, timeoutMs, &status));
}

int QlnkBinding::RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t portType,
                          uint32_t timeoutMs)
{
    auto library = Load();
    if (!library) {
        return 0;
    }
    auto recv = reinterpret_cast<QLNK_RecvDataFn>(library->Symbol("QLNK_RecvData"));
    if (!recv) {
        return 0;
    }
    int32_t status = 0;
    return Passed(recv(handle, buffer, capacity, received, portType, timeoutMs, &status));
}

int QlnkBinding::CloseComm(int32_t *handle, uint32_t portType)
{
    auto library = Load();
    if (!library) {
        return 0;
    }
    auto close = reinterpret_cast<QLNK_CloseCommFn>(library->Symbol("QLNK_CloseComm"));
    if (!close) {
        return 0;
    }
    int32_t status = 0;
    return Passed(close(handle, portType, &status));
}

}  // namespace rollvane
