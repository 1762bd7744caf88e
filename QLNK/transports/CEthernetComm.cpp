#include "transports/CEthernetComm.h"

#include "CCurlLibrary.h"
#include "CLastError.h"
#include "transports/CUdpDestinations.h"
#include "transports/CWideText.h"

#include "platform/DescriptorWait.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <curl/curl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::DescriptorWait;

// After a socket call that failed: EINTR and would-block (once the socket is ready again)
// give QLNK_OK, meaning "try again"; anything else ends the transfer with its code.
int32_t RetryAfter(int fd, short events, DescriptorWait::Deadline deadline)
{
    if (errno == EINTR) {
        return QLNK_OK;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    int error = 0;
    switch (DescriptorWait::Until(fd, events, deadline, &error)) {
    case DescriptorWait::Result::Ready:
        return QLNK_OK;
    case DescriptorWait::Result::TimedOut:
        CLastError::Store(ETIMEDOUT);
        return QLNK_E_TIMEOUT;
    case DescriptorWait::Result::Failed:
        break;
    }
    CLastError::Store(error);
    return QLNK_E_SYSTEM;
}

sockaddr_in DestinationOf(const QLNK_CommContext &context)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(context.netPort & 0xFFFF));
    address.sin_addr.s_addr = htonl(context.netAddress);
    return address;
}

// Refusal and unreachability are known at once; there is nothing to wait out for them.
bool Refused(int code)
{
    return code == ECONNREFUSED || code == ENETUNREACH || code == EHOSTUNREACH || code == ETIMEDOUT ||
           code == ECONNRESET;
}

// Reads the reports a datagram socket keeps of ICMP errors (IP_RECVERR), so they end.
void DrainErrorQueue(int fd)
{
    uint8_t data[64];
    uint8_t control[512];
    for (int i = 0; i < 16; ++i) {
        iovec piece{data, sizeof data};
        msghdr message{};
        message.msg_iov = &piece;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
            return;
        }
    }
}

// One receive: what a single completion delivers (at most the capacity), within the time-out.
int32_t ReceiveOnce(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs)
{
    *received = 0;
    const auto deadline = DescriptorWait::After(timeoutMs);
    for (;;) {
        // The source of a datagram is not reported.
        const ssize_t n = recv(fd, buffer, capacity, MSG_DONTWAIT);
        if (n >= 0) {
            *received = static_cast<uint32_t>(n);
            return QLNK_OK;
        }
        if (const int32_t result = RetryAfter(fd, POLLIN, deadline); result != QLNK_OK) {
            return result;
        }
    }
}

// The path part of an FTP address: every byte but the unreserved ones and '/' percent-encoded.
std::string UrlPath(const std::string &name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

struct CurlDeleter {
    void (*cleanup)(CURL *);
    void operator()(CURL *handle) const { cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

struct FileCloser {
    void operator()(FILE *file) const { std::fclose(file); }
};

// The upload's fixed limits (qlnk.h lists them for the caller).
constexpr long kFtpConnectMs = 10'000;                // connection, greeting and login, per attempt
constexpr long kFtpReplySeconds = 30;                 // each later reply of the server
constexpr long kFtpLowSpeedBytesPerSecond = 1;        // the transfer ends when it moves less than this ...
constexpr long kFtpLowSpeedSeconds = 30;              // ... for this long
constexpr auto kFtpTotal = std::chrono::minutes(10);  // the whole call

// What is left of the call's total time for the next step, never 0 (libcurl's "no limit").
long MsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left > 0 ? static_cast<long>(left) : 1;
}

// Records libcurl's code; a limit that ran out is a time-out, anything else a system failure.
int32_t CurlFailure(CURLcode code)
{
    CLastError::Store(code);
    return code == CURLE_OPERATION_TIMEDOUT ? QLNK_E_TIMEOUT : QLNK_E_SYSTEM;
}

}  // namespace

int32_t CEthernetComm::OpenTcp(QLNK_CommContext &context)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    context.netSocket = fd;
    if (fd < 0) {
        CLastError::Store(errno);
        context.netSocket = -1;
        return QLNK_E_SOCKET;
    }
    // From here on the socket stays in netSocket whatever happens, for the caller to close.
    const sockaddr_in destination = DestinationOf(context);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&destination), sizeof destination) == 0) {
        return QLNK_OK;
    }
    int code = errno;
    // EINPROGRESS stands where Windows sockets record their would-block error: a connection that
    // had to wait leaves it in the last error even when it then succeeds.
    CLastError::Store(code);
    if (code == EINTR) {
        code = EINPROGRESS;  // the connection goes on in the background, as after EINPROGRESS
    }
    if (code != EINPROGRESS) {
        return Refused(code) ? QLNK_E_TIMEOUT : QLNK_E_SYSTEM;
    }
    // A refusal or failure that arrives while waiting counts as ready: SO_ERROR then says which.
    int error = 0;
    switch (DescriptorWait::Until(fd, POLLOUT, DescriptorWait::After(context.netTimeout), &error)) {
    case DescriptorWait::Result::Ready:
        break;
    case DescriptorWait::Result::TimedOut:
        CLastError::Store(ETIMEDOUT);
        return QLNK_E_TIMEOUT;
    case DescriptorWait::Result::Failed:
        // The wait itself failing ends the connect like a connection that was not made.
        CLastError::Store(error);
        return QLNK_E_TIMEOUT;
    }
    int result = 0;
    socklen_t size = sizeof result;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size) != 0) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    if (result != 0) {
        // Refused, unreachable or otherwise not made: the connection did not complete, which
        // is reported as soon as it is known rather than after the time-out.
        CLastError::Store(result);
        return QLNK_E_TIMEOUT;
    }
    return QLNK_OK;
}

int32_t CEthernetComm::OpenUdp(QLNK_CommContext &context)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        CLastError::Store(errno);
        context.netSocket = -1;
        return QLNK_E_SOCKET;
    }
    context.netSocket = fd;
    CUdpDestinations::Set(fd, DestinationOf(context));
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    // An unconnected datagram socket hears of a "port unreachable" only when asked to: then a
    // receive learns at once that nobody is there instead of waiting out its time-out.
    setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    return QLNK_OK;
}

int32_t CEthernetComm::SendPieces(int fd, iovec *pieces, int count, uint32_t *sent, uint32_t timeoutMs)
{
    *sent = 0;
    const auto deadline = DescriptorWait::After(timeoutMs);
    std::size_t total = 0;
    for (int i = 0; i < count; ++i) {
        total += pieces[i].iov_len;
    }
    std::size_t done = 0;
    while (done < total || total == 0) {
        // One piece goes by send: sendmsg's copy-in of the message header costs a 1 KiB block
        // about a tenth of its time.
        msghdr message{};
        message.msg_iov = pieces;
        message.msg_iovlen = static_cast<std::size_t>(count);
        const ssize_t n = count == 1 ? send(fd, pieces->iov_base, pieces->iov_len, MSG_NOSIGNAL | MSG_DONTWAIT)
                                     : sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            *sent = static_cast<uint32_t>(done);
            if (total == 0) {
                break;
            }
            // Step over what went.
            std::size_t skip = static_cast<std::size_t>(n);
            while (count > 0 && skip >= pieces->iov_len) {
                skip -= pieces->iov_len;
                ++pieces;
                --count;
            }
            if (count > 0) {
                pieces->iov_base = static_cast<uint8_t *>(pieces->iov_base) + skip;
                pieces->iov_len -= skip;
            }
            continue;
        }
        // On a time-out *sent says how much is on its way; the rest was never handed over.
        if (const int32_t result = RetryAfter(fd, POLLOUT, deadline); result != QLNK_OK) {
            return result;
        }
    }
    return QLNK_OK;
}

int32_t CEthernetComm::SendTcp(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs)
{
    iovec piece{const_cast<uint8_t *>(data), length};
    return SendPieces(fd, &piece, 1, sent, timeoutMs);
}

int32_t CEthernetComm::SendUdp(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs)
{
    *sent = 0;
    const std::optional<sockaddr_in> destination = CUdpDestinations::Find(fd);
    const auto deadline = DescriptorWait::After(timeoutMs);
    for (;;) {
        // A socket this library did not open as UDP has no destination: the send then fails
        // with EDESTADDRREQ unless the socket is connected.
        const ssize_t n = destination ? sendto(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT,
                                               reinterpret_cast<const sockaddr *>(&*destination), sizeof *destination)
                                      : send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            *sent = static_cast<uint32_t>(n);
            return QLNK_OK;
        }
        if (const int32_t result = RetryAfter(fd, POLLOUT, deadline); result != QLNK_OK) {
            return result;
        }
    }
}

int32_t CEthernetComm::ReceiveTcp(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs)
{
    return ReceiveOnce(fd, buffer, capacity, received, timeoutMs);
}

int32_t CEthernetComm::ReceiveUdp(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs)
{
    const int32_t result = ReceiveOnce(fd, buffer, capacity, received, timeoutMs);
    if (result == QLNK_E_SYSTEM && Refused(CLastError::value())) {
        // The system said nobody listens there: the same end as a reply that never came, at
        // once. The queued report is read, so the next receive waits again.
        const int error = CLastError::value();
        DrainErrorQueue(fd);
        CLastError::Store(error);
        return QLNK_E_TIMEOUT;
    }
    return result;
}

std::string CEthernetComm::LprControlFile()
{
    const std::string dataFile = "dfA" + std::to_string(kLprJobNumber) + kLprHost;
    return std::string("H") + kLprHost + "\n" + "P" + kLprUser + "\n" + "f" + dataFile + "\n" + "U" + dataFile + "\n" +
           "Ntest.bin\n";
}

int32_t CEthernetComm::SendLprJob(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs)
{
    *sent = 0;
    const std::string job = std::to_string(kLprJobNumber) + kLprHost;
    const std::string control = LprControlFile();
    // The trailing zero octets are part of the strings sent.
    const std::string steps[] = {
        std::string("\x02") + kLprQueue + "\n",
        "\x02" + std::to_string(control.size()) + " cfA" + job + "\n",
        control + std::string(1, '\0'),
        "\x03" + std::to_string(length) + " dfA" + job + "\n",
    };
    uint8_t acknowledgement[256];
    uint32_t got = 0;
    // An acknowledgement ends the job only when its read failed and brought nothing; what it
    // says is not looked at.
    auto acknowledged = [&](int32_t *result) {
        *result = ReceiveOnce(fd, acknowledgement, sizeof acknowledgement, &got, timeoutMs);
        return *result == QLNK_OK || got > 0;
    };

    uint32_t count = 0;
    int32_t result = QLNK_OK;
    for (const std::string &step : steps) {
        iovec piece{const_cast<char *>(step.data()), step.size()};
        result = SendPieces(fd, &piece, 1, &count, timeoutMs);
        if (result != QLNK_OK || count == 0) {
            return result;
        }
        if (!acknowledged(&result)) {
            return result;
        }
    }
    uint8_t zero = 0;
    iovec pieces[2] = {{const_cast<uint8_t *>(data), length}, {&zero, 1}};
    result = SendPieces(fd, pieces, 2, &count, timeoutMs);
    *sent = count;
    if (result != QLNK_OK || count == 0) {
        return result;
    }
    acknowledged(&result);
    return result;
}

int32_t CEthernetComm::Close(int32_t *handle)
{
    const int fd = *handle;
    // A socket that never connected (UDP, or a TCP connect that failed) has nothing to shut down.
    if (shutdown(fd, SHUT_RDWR) != 0 && errno != ENOTCONN) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    CUdpDestinations::Drop(fd);
    if (::close(fd) != 0) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    *handle = -1;
    return QLNK_OK;
}

std::string CEthernetComm::Describe(const QLNK_CommContext &context)
{
    return AddressText(context.netAddress, context.netPort);
}

std::string CEthernetComm::AddressText(uint32_t address, uint32_t port)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", (address >> 24) & 0xFF, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF, port & 0xFFFF);
    return text;
}

int32_t CEthernetComm::FtpPutFile(CCurlLibrary &curl, const wchar_t *clientName, const wchar_t *user,
                                  const wchar_t *password, int32_t port, uint32_t address, const wchar_t *localPath,
                                  const wchar_t *remoteName)
{
    // FTP has no place for a client name; it is taken and not sent.
    (void)clientName;
    // Without a file to read or a name to store it under there is nothing to upload.
    if (localPath == nullptr || remoteName == nullptr) {
        return QLNK_E_PARAM;
    }
    const auto deadline = std::chrono::steady_clock::now() + kFtpTotal;
    const std::string url =
        "ftp://" + AddressText(address, static_cast<uint32_t>(port)) + "/" + UrlPath(CWideText::ToUtf8(remoteName));
    const std::string userText = CWideText::ToUtf8(user);
    const std::string passwordText = CWideText::ToUtf8(password);

    const bool ready = curl.Ready();
    CurlHandle root(ready ? curl.easy_init() : nullptr, CurlDeleter{curl.easy_cleanup});
    CLastError::Store(root ? CURLE_OK : CURLE_FAILED_INIT);
    if (!root) {
        return QLNK_E_SYSTEM;
    }
    curl.easy_setopt(root.get(), CURLOPT_URL, url.c_str());
    curl.easy_setopt(root.get(), CURLOPT_USERNAME, userText.c_str());
    curl.easy_setopt(root.get(), CURLOPT_PASSWORD, passwordText.c_str());
    // Direct: no proxy, whatever the environment says.
    curl.easy_setopt(root.get(), CURLOPT_PROXY, "");
    // Leave the process's signal handling alone; libcurl sends with MSG_NOSIGNAL.
    curl.easy_setopt(root.get(), CURLOPT_NOSIGNAL, 1L);
    // Passive mode (EPSV, then PASV) and binary transfers are libcurl's defaults; say so anyway.
    curl.easy_setopt(root.get(), CURLOPT_FTPPORT, nullptr);
    curl.easy_setopt(root.get(), CURLOPT_FTP_USE_EPSV, 1L);
    curl.easy_setopt(root.get(), CURLOPT_TRANSFERTEXT, 0L);
    // No step may wait for ever: a server that never greets, never answers or stops reading.
    curl.easy_setopt(root.get(), CURLOPT_CONNECTTIMEOUT_MS, kFtpConnectMs);
    curl.easy_setopt(root.get(), CURLOPT_SERVER_RESPONSE_TIMEOUT, kFtpReplySeconds);
    curl.easy_setopt(root.get(), CURLOPT_LOW_SPEED_LIMIT, kFtpLowSpeedBytesPerSecond);
    curl.easy_setopt(root.get(), CURLOPT_LOW_SPEED_TIME, kFtpLowSpeedSeconds);

    // Up to three connection attempts (connect and log in), one straight after the other. A
    // server that let a limit run out is not asked again: the call would only wait longer.
    CURLcode code = CURLE_COULDNT_CONNECT;
    for (int attempt = 0; attempt < 3; ++attempt) {
        CurlHandle probe(curl.easy_duphandle(root.get()), CurlDeleter{curl.easy_cleanup});
        if (!probe) {
            code = CURLE_OUT_OF_MEMORY;
        } else {
            curl.easy_setopt(probe.get(), CURLOPT_CONNECT_ONLY, 1L);
            curl.easy_setopt(probe.get(), CURLOPT_TIMEOUT_MS, MsLeft(deadline));
            code = curl.easy_perform(probe.get());
        }
        CLastError::Store(code);
        if (code == CURLE_OK || code == CURLE_OPERATION_TIMEDOUT) {
            break;
        }
    }
    if (code != CURLE_OK) {
        return CurlFailure(code);
    }

    std::unique_ptr<FILE, FileCloser> file(std::fopen(CWideText::ToUtf8(localPath).c_str(), "rb"));
    struct stat info {};
    if (!file || fstat(fileno(file.get()), &info) != 0) {
        // The local file is the upload's source: an unreadable one is libcurl's read error.
        CLastError::Store(CURLE_READ_ERROR);
        return QLNK_E_SYSTEM;
    }
    curl.easy_setopt(root.get(), CURLOPT_UPLOAD, 1L);
    curl.easy_setopt(root.get(), CURLOPT_READDATA, file.get());
    curl.easy_setopt(root.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
    curl.easy_setopt(root.get(), CURLOPT_TIMEOUT_MS, MsLeft(deadline));
    code = curl.easy_perform(root.get());
    if (code != CURLE_OK) {
        return CurlFailure(code);
    }
    return QLNK_OK;
}
