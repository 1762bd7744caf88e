#include "platform/DescriptorWait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using platform::DescriptorWait;

namespace {

struct Pipe {
    Pipe() { EXPECT_EQ(::pipe(fds), 0); }
    ~Pipe()
    {
        for (int fd : fds) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    void CloseWriteEnd()
    {
        ::close(fds[1]);
        fds[1] = -1;
    }
    int fds[2] = {-1, -1};
};

void NoOp(int) {}

}  // namespace

TEST(DescriptorWait, ReadinessHangUpAndBadDescriptors)
{
    int error = 0;
    {
        Pipe pipe;  // nothing there, deadline already passed: one look, then the time-out
        EXPECT_EQ(DescriptorWait::Until(pipe.fds[0], POLLIN, DescriptorWait::After(0), &error),
                  DescriptorWait::Result::TimedOut);
        ASSERT_EQ(::write(pipe.fds[1], "x", 1), 1);  // data there: seen even after the deadline
        EXPECT_EQ(DescriptorWait::Until(pipe.fds[0], POLLIN, DescriptorWait::After(0), &error),
                  DescriptorWait::Result::Ready);
    }
    {
        Pipe pipe;  // a hang-up is ready: the read that follows reports the end
        pipe.CloseWriteEnd();
        EXPECT_EQ(DescriptorWait::Until(pipe.fds[0], POLLIN, DescriptorWait::After(1000), &error),
                  DescriptorWait::Result::Ready);
        EXPECT_EQ(DescriptorWait::Forever(pipe.fds[0], POLLIN, &error), DescriptorWait::Result::Ready);
    }
    {
        Pipe pipe;  // an error condition is ready too: the write that follows reports EPIPE
        ::close(pipe.fds[0]);
        pipe.fds[0] = -1;
        EXPECT_EQ(DescriptorWait::Until(pipe.fds[1], POLLOUT, DescriptorWait::After(1000), &error),
                  DescriptorWait::Result::Ready);
    }
    error = 0;
    EXPECT_EQ(DescriptorWait::Until(12345, POLLIN, DescriptorWait::After(1000), &error),
              DescriptorWait::Result::Failed);
    EXPECT_EQ(error, EBADF);
}

TEST(DescriptorWait, ASignalDoesNotEndTheWaitEarly)
{
    struct sigaction action {};
    action.sa_handler = NoOp;  // no SA_RESTART: poll returns EINTR
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

    Pipe pipe;
    const pthread_t waiter = pthread_self();
    std::atomic<bool> done{false};
    std::thread interrupter([&] {
        for (int i = 0; i < 5 && !done; ++i) {
            std::this_thread::sleep_for(20ms);
            pthread_kill(waiter, SIGUSR1);
        }
    });
    int error = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto result = DescriptorWait::Until(pipe.fds[0], POLLIN, DescriptorWait::After(200), &error);
    const auto waited = std::chrono::steady_clock::now() - start;
    done = true;
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_EQ(result, DescriptorWait::Result::TimedOut);
    EXPECT_GE(waited, 200ms);
}
