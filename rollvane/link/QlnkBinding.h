#pragma once

#include "platform/SharedLibrary.h"

#include <qlnk.h>

#include <memory>
#include <string>

namespace rollvane {

// The network link's calls into libqlnk, loaded by file name at each call and looked up by
// name. Only the open keeps the library loaded (until Release); every other call unloads it
// again before it returns. A call whose library or entry point cannot be found fails without
// calling through. Results are 1 when the low byte of the library's result is nonzero, else 0;
// the status and the library's last error of a failed call are kept to say why.
class QlnkBinding {
public:
    explicit QlnkBinding(std::string libraryName) : libraryName_(std::move(libraryName)) {}

    // Loads the library and keeps it; 0 when it or QLNK_Open cannot be found.
    int Hold();
    // QLNK_Open through the held library.
    int Open(QLNK_CommContext *context);
    int SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                 uint32_t timeoutMs);
    int RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t portType,
                 uint32_t timeoutMs);
    int CloseComm(int32_t *handle, uint32_t portType);
    // Unloads the library held since Hold.
    void Release() { held_.reset(); }

    bool holding() const { return held_ != nullptr; }
    const std::string &libraryName() const { return libraryName_; }
    // Why the last call failed, for a person: "Connection refused", "no reply within 10000 ms"
    // (a receive) or "no answer within 10000 ms", "cannot load libqlnk.so.1: ...".
    std::string failureText(bool receiving = false) const;
    // Whether the last call ran out of time (rather than failing).
    bool timedOut() const { return loadProblem_.empty() && status_ == QLNK_E_TIMEOUT; }

private:
    // The library loaded for one call and its entry point, or nothing after noting why not.
    std::unique_ptr<platform::SharedLibrary> Load();
    void *Find(platform::SharedLibrary *library, const char *name);
    // Keeps the status of a call and, when it failed, the library's last error.
    int Finish(platform::SharedLibrary *library, int32_t result, int32_t status, uint32_t timeoutMs);

    std::string libraryName_;
    std::unique_ptr<platform::SharedLibrary> held_;
    // The last call: its load problem, or its status and last error.
    std::string loadProblem_;
    int32_t status_ = QLNK_OK;
    int32_t lastError_ = QLNK_NO_ERROR_RECORDED;
    uint32_t timeoutMs_ = 0;
};

}  // namespace rollvane
