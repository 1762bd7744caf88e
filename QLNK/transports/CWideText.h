#pragma once

#include <string>

// Wide strings of the interface (UTF-32 on Linux) as the UTF-8 the system calls take.
class CWideText {
public:
    // A null pointer gives an empty string; a value that is no Unicode scalar becomes U+FFFD.
    static std::string ToUtf8(const wchar_t *text);
};
