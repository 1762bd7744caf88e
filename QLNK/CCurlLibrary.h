#pragma once

#include <curl/curl.h>

#include <mutex>

// libcurl, loaded at the first FTP upload instead of with the library: every other call (and
// the program loads this library around each operation) then costs what a small library costs,
// not the load of libcurl and its TLS stack. Released with this library.
class CCurlLibrary {
public:
    CCurlLibrary() = default;
    ~CCurlLibrary();
    CCurlLibrary(const CCurlLibrary &) = delete;
    CCurlLibrary &operator=(const CCurlLibrary &) = delete;

    // Loads libcurl and sets up its global state the first time; true when it is ready.
    bool Ready();
    // libcurl's text for a result code, or nullptr while libcurl is not loaded.
    const char *ErrorText(CURLcode code) const;

    // The entry points used, valid once Ready() has returned true.
    CURL *(*easy_init)() = nullptr;
    CURL *(*easy_duphandle)(CURL *) = nullptr;
    CURLcode (*easy_setopt)(CURL *, CURLoption, ...) = nullptr;
    CURLcode (*easy_perform)(CURL *) = nullptr;
    void (*easy_cleanup)(CURL *) = nullptr;

private:
    bool Load();

    std::mutex mutex_;
    void *handle_ = nullptr;
    bool tried_ = false;
    bool ready_ = false;
    const char *(*easy_strerror_)(CURLcode) = nullptr;
    void (*global_cleanup_)() = nullptr;
};
