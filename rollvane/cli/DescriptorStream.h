#pragma once

#include <array>
#include <ostream>
#include <streambuf>

namespace rollvane {

// An output stream straight onto a file descriptor that remembers why a write failed, so the
// program can say it ("No space left on device") after the fact.
class DescriptorStream final : public std::ostream {
public:
    explicit DescriptorStream(int fd);
    // What is still buffered goes out.
    ~DescriptorStream() override { flush(); }

    // The errno value of the first failed write, 0 when none failed.
    int error() const { return buffer_.error(); }

private:
    class Buffer final : public std::streambuf {
    public:
        explicit Buffer(int fd);
        int error() const { return error_; }

    protected:
        int_type overflow(int_type c) override;
        int sync() override;

    private:
        bool Drain();

        int fd_;
        int error_ = 0;
        std::array<char, 8192> data_{};
    };

    Buffer buffer_;
};

}  // namespace rollvane
