#include "rollvane/link/QlnkBinding.h"

#include "platform/SystemError.h"

#include <cerrno>
#include <cstdio>

namespace rollvane {

std::unique_ptr<platform::SharedLibrary> QlnkBinding::Load()
{
    std::string error;
    auto library = platform::SharedLibrary::Load(libraryName_, &error);
    loadProblem_ = library ? std::string() : "cannot load " + libraryName_ + ": " + error;
    return library;
}

void *QlnkBinding::Find(platform::SharedLibrary *library, const char *name)
{
    void *entry = library ? library->symbol(name) : nullptr;
    if (library && !entry) {
        loadProblem_ = libraryName_ + " has no " + name;
    }
    return entry;
}

int QlnkBinding::Finish(platform::SharedLibrary *library, int32_t result, int32_t status, uint32_t timeoutMs)
{
    // Only the low byte of the library's result counts.
    const int passed = (result & 0xFF) != 0 ? 1 : 0;
    status_ = status;
    timeoutMs_ = timeoutMs;
    lastError_ = QLNK_NO_ERROR_RECORDED;
    if (!passed) {
        if (auto getLastError = reinterpret_cast<QLNK_GetLastErrorFn>(library->symbol("QLNK_GetLastError"))) {
            getLastError(&lastError_);
        }
    }
    return passed;
}

int QlnkBinding::Hold()
{
    held_ = Load();
    return Find(held_.get(), "QLNK_Open") ? 1 : 0;
}

int QlnkBinding::Open(QLNK_CommContext *context)
{
    auto open = reinterpret_cast<QLNK_OpenFn>(Find(held_.get(), "QLNK_Open"));
    if (!open) {
        return 0;
    }
    int32_t status = 0;
    const int32_t result = open(context, &status);
    return Finish(held_.get(), result, status, context->netTimeout);
}

int QlnkBinding::SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                          uint32_t timeoutMs)
{
    auto library = Load();
    auto send = reinterpret_cast<QLNK_SendDataFn>(Find(library.get(), "QLNK_SendData"));
    if (!send) {
        return 0;
    }
    int32_t status = 0;
    const int32_t result = send(handle, data, length, sent, portType, timeoutMs, &status);
    return Finish(library.get(), result, status, timeoutMs);
}

int QlnkBinding::RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t portType,
                          uint32_t timeoutMs)
{
    auto library = Load();
    auto recv = reinterpret_cast<QLNK_RecvDataFn>(Find(library.get(), "QLNK_RecvData"));
    if (!recv) {
        return 0;
    }
    int32_t status = 0;
    const int32_t result = recv(handle, buffer, capacity, received, portType, timeoutMs, &status);
    return Finish(library.get(), result, status, timeoutMs);
}

int QlnkBinding::CloseComm(int32_t *handle, uint32_t portType)
{
    auto library = Load();
    auto close = reinterpret_cast<QLNK_CloseCommFn>(Find(library.get(), "QLNK_CloseComm"));
    if (!close) {
        return 0;
    }
    int32_t status = 0;
    const int32_t result = close(handle, portType, &status);
    return Finish(library.get(), result, status, 0);
}

std::string QlnkBinding::failureText(bool receiving) const
{
    if (!loadProblem_.empty()) {
        return loadProblem_;
    }
    const bool known = lastError_ != QLNK_NO_ERROR_RECORDED && lastError_ != 0;
    switch (status_) {
    case QLNK_E_TIMEOUT:
        // A refusal the system reported is a time-out to the library; its errno tells them apart.
        if (known && lastError_ != ETIMEDOUT) {
            return platform::SystemError::Text(lastError_);
        }
        return (receiving ? "no reply within " : "no answer within ") + std::to_string(timeoutMs_) + " ms";
    case QLNK_E_SOCKET:
        return "the channel is not open";
    case QLNK_E_SYSTEM:
        return known ? platform::SystemError::Text(lastError_) : "the system refused the call";
    default: {
        char text[48];
        std::snprintf(text, sizeof text, "the library's result code 0x%04X", static_cast<unsigned>(status_));
        return text;
    }
    }
}

}  // namespace rollvane
