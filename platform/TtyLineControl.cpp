#include "platform/TtyLineControl.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace platform {

namespace {

class KernelLineControl final : public TtyLineControl {
public:
    int outputQueued(int fd) const override
    {
        int queued = 0;
        return ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 ? queued : 0;
    }

    bool dsrOn(int fd) const override
    {
        int status = 0;
        if (ioctl(fd, TIOCMGET, &status) != 0) {
            return true;
        }
        return (status & TIOCM_DSR) != 0;
    }

    void FlushOutput(int fd) const override { tcflush(fd, TCOFLUSH); }
};

}  // namespace

const TtyLineControl &TtyLineControl::Kernel()
{
    static const KernelLineControl kernel;
    return kernel;
}

}  // namespace platform
