#include "CCurlLibrary.h"

#include <dlfcn.h>

namespace {

// The run-time name of libcurl 4, the ABI every current libcurl has.
constexpr const char *kLibraryName = "libcurl.so.4";

template <typename Function>
bool Resolve(void *handle, const char *name, Function *function)
{
    *function = reinterpret_cast<Function>(dlsym(handle, name));
    return *function != nullptr;
}

}  // namespace

CCurlLibrary::~CCurlLibrary()
{
    if (ready_ && global_cleanup_ != nullptr) {
        global_cleanup_();
    }
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

bool CCurlLibrary::Ready()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!tried_) {
        tried_ = true;
        ready_ = Load();
    }
    return ready_;
}

const char *CCurlLibrary::ErrorText(CURLcode code) const
{
    return easy_strerror_ != nullptr ? easy_strerror_(code) : nullptr;
}

bool CCurlLibrary::Load()
{
    handle_ = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        return false;
    }
    CURLcode (*global_init)(long) = nullptr;
    if (!Resolve(handle_, "curl_global_init", &global_init) ||
        !Resolve(handle_, "curl_global_cleanup", &global_cleanup_) ||
        !Resolve(handle_, "curl_easy_strerror", &easy_strerror_) || !Resolve(handle_, "curl_easy_init", &easy_init) ||
        !Resolve(handle_, "curl_easy_duphandle", &easy_duphandle) ||
        !Resolve(handle_, "curl_easy_setopt", &easy_setopt) || !Resolve(handle_, "curl_easy_perform", &easy_perform) ||
        !Resolve(handle_, "curl_easy_cleanup", &easy_cleanup)) {
        global_cleanup_ = nullptr;
        return false;
    }
    if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        global_cleanup_ = nullptr;
        return false;
    }
    return true;
}
