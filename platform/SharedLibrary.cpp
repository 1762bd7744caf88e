#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace platform {

std::unique_ptr<SharedLibrary> SharedLibrary::Load(const std::string &name, std::string *error)
{
    // The search follows the RUNPATH of the object that calls dlopen, so a library next to
    // the program's core library is found by its file name alone.
    void *handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char *text = dlerror();
            *error = text ? text : "dlopen failed";
        }
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary()
{
    dlclose(handle_);
}

void *SharedLibrary::Symbol(const char *name) const
{
    return dlsym(handle_, name);
}

}  // namespace platform
