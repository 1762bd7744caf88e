#include "platform/SharedLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

namespace platform {

namespace {

// A bare file name is looked for first next to the object this code is linked into, the way
// its RUNPATH of $ORIGIN would find it. dlopen alone cannot be relied on for that: it takes
// the RUNPATH of its caller, and an interposed dlopen (a sanitizer's) is a different caller.
std::string Resolve(const std::string &name)
{
    Dl_info self{};
    if (name.find('/') != std::string::npos || dladdr(reinterpret_cast<void *>(&SharedLibrary::Load), &self) == 0 ||
        !self.dli_fname) {
        return name;
    }
    const std::string object = self.dli_fname;
    const auto slash = object.rfind('/');
    if (slash == std::string::npos) {
        return name;
    }
    const std::string beside = object.substr(0, slash + 1) + name;
    return access(beside.c_str(), F_OK) == 0 ? beside : name;
}

}  // namespace

std::unique_ptr<SharedLibrary> SharedLibrary::Load(const std::string &name, std::string *error)
{
    void *handle = dlopen(Resolve(name).c_str(), RTLD_NOW | RTLD_LOCAL);
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

void *SharedLibrary::symbol(const char *name) const
{
    return dlsym(handle_, name);
}

}  // namespace platform
