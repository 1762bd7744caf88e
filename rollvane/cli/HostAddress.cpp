#include "rollvane/cli/HostAddress.h"

#include "platform/SystemError.h"

#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netdb.h>
#include <sys/socket.h>

namespace rollvane {

bool HostAddress::Resolve(const std::string &name, uint32_t *address, std::string *error)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    const int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, &freeaddrinfo);
    if (result != 0) {
        *error = result == EAI_SYSTEM ? platform::SystemError::Text(errno) : gai_strerror(result);
        return false;
    }
    if (!found || found->ai_family != AF_INET) {
        *error = "no IPv4 address";
        return false;
    }
    *address = ntohl(reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr.s_addr);
    return true;
}

}  // namespace rollvane
