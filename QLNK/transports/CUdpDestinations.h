#pragma once

#include <netinet/in.h>
#include <optional>

// Where each UDP socket opened by this library sends its datagrams, kept per socket so that
// two UDP contexts open at once each reach their own printer.
class CUdpDestinations {
public:
    static void Set(int fd, const sockaddr_in &destination);
    static std::optional<sockaddr_in> Find(int fd);
    // Dropped when the socket is closed, before its number can be reused.
    static void Drop(int fd);
};
