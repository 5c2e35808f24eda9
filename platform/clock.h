#pragma once
// Time as the programs see it, replaceable in tests.
#include <cstdint>

#include "platform/datetime.h"

namespace qg::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local date-time now, days from 30 December 1899.
  virtual DateTime Now() const = 0;
  // A millisecond tick that only moves forward (the system's tick count).
  virtual std::uint64_t TickMs() const = 0;
};

// The computer's clock.
class SystemClock final : public Clock {
 public:
  DateTime Now() const override;
  std::uint64_t TickMs() const override;
};

// A clock that moves only when told; each TickMs() call may also step it, so that a busy wait
// on it ends.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(DateTime now = 0.0) : now_(now) {}
  DateTime Now() const override { return now_; }
  std::uint64_t TickMs() const override {
    const auto t = tick_;
    tick_ += autoStepMs_;
    return t;
  }
  void SetNow(DateTime now) { now_ = now; }
  void AdvanceMs(std::uint64_t ms) {
    tick_ += ms;
    now_ += static_cast<double>(ms) / 86400000.0;
  }
  void SetAutoStepMs(std::uint64_t step) { autoStepMs_ = step; }

 private:
  DateTime now_;
  mutable std::uint64_t tick_ = 0;
  std::uint64_t autoStepMs_ = 1;
};

}  // namespace qg::platform
