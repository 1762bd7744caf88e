#pragma once

#include <memory>
#include <string>

namespace platform {

// A library loaded by name with dlopen; unloaded (dlclose) when the object goes.
class SharedLibrary {
public:
    // Nothing when the library cannot be loaded; error then holds dlerror()'s text. The one
    // exception to the layer's errno convention: the loader reports no errno, only this text.
    static std::unique_ptr<SharedLibrary> Load(const std::string &name, std::string *error);

    ~SharedLibrary();
    SharedLibrary(const SharedLibrary &) = delete;
    SharedLibrary &operator=(const SharedLibrary &) = delete;

    // The address of an exported symbol, or nullptr.
    void *symbol(const char *name) const;

private:
    explicit SharedLibrary(void *handle) : handle_(handle) {}
    void *handle_;
};

}  // namespace platform
