#include "rollvane/cli/DescriptorStream.h"

#include <cerrno>
#include <unistd.h>

namespace rollvane {

DescriptorStream::DescriptorStream(int fd) : std::ostream(nullptr), buffer_(fd)
{
    rdbuf(&buffer_);
}

DescriptorStream::Buffer::Buffer(int fd) : fd_(fd)
{
    setp(data_.data(), data_.data() + data_.size());
}

bool DescriptorStream::Buffer::Drain()
{
    const char *next = pbase();
    while (next < pptr()) {
        const ssize_t n = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = error_ != 0 ? error_ : (n < 0 ? errno : EIO);
            setp(data_.data(), data_.data() + data_.size());
            return false;
        }
        next += n;
    }
    setp(data_.data(), data_.data() + data_.size());
    return true;
}

DescriptorStream::Buffer::int_type DescriptorStream::Buffer::overflow(int_type c)
{
    if (!Drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorStream::Buffer::sync()
{
    return Drain() ? 0 : -1;
}

}  // namespace rollvane
