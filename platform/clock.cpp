#include "platform/clock.h"

#include <chrono>

namespace qg::platform {

DateTime SystemClock::Now() const {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return FromUnixLocal(std::chrono::duration<double>(now).count());
}

std::uint64_t SystemClock::TickMs() const {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace qg::platform
