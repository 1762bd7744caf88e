#include "tests/support/PtyPrinter.h"

#include <algorithm>

namespace testing_support {

PtyPrinter::PtyPrinter() : thread_([this] { Serve(); }) {}

PtyPrinter::~PtyPrinter()
{
    stop_ = true;
    thread_.join();
}

void PtyPrinter::Answer(const std::vector<uint8_t> &request, const std::vector<uint8_t> &reply)
{
    std::lock_guard lock(mutex_);
    replies_[request] = reply;
}

std::vector<uint8_t> PtyPrinter::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

void PtyPrinter::Serve()
{
    while (!stop_) {
        auto bytes = pty_.ReadMaster(std::chrono::milliseconds(20));
        if (bytes.empty()) {
            continue;
        }
        std::vector<uint8_t> reply;
        {
            std::lock_guard lock(mutex_);
            received_.insert(received_.end(), bytes.begin(), bytes.end());
            for (const auto &[request, answer] : replies_) {
                if (received_.size() >= request.size() &&
                    std::equal(request.begin(), request.end(), received_.end() - static_cast<long>(request.size()))) {
                    reply = answer;
                    break;
                }
            }
        }
        if (!reply.empty()) {
            pty_.WriteMaster(reply);
        }
    }
}

}  // namespace testing_support
