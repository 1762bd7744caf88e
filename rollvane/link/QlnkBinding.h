#pragma once

#include "platform/SharedLibrary.h"

#include <qlnk.h>

#include <memory>
#include <string>

namespace rollvane {

// The network link's calls into libqlnk, loaded by file name at each call and looked up by
// name. Only the open keeps the library loaded (until Release); every other call unloads it
// again before it returns. A call whose library or entry point cannot be found fails without
// calling through. Results are 1 when the low byte of the library's result is nonzero, else 0.
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
    // dlerror()'s text of the last failed load, for diagnostics.
    const std::string &lastLoadError() const { return loadError_; }

private:
    std::unique_ptr<platform::SharedLibrary> Load();

    std::string libraryName_;
    std::string loadError_;
    std::unique_ptr<platform::SharedLibrary> held_;
};

}  // namespace rollvane
