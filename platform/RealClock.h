#pragma once

#include "platform/Clock.h"

namespace platform {

class RealClock final : public Clock {
public:
    TimePoint now() const override;
    void SleepFor(std::chrono::milliseconds duration) override;
};

}  // namespace platform
