#pragma once
// The count of open monitor windows and its limit of eight.
#include <optional>

namespace qg::shell {

inline constexpr int kMaxMonitors = 8;

class MonitorCount {
 public:
  // The number a new window's caption carries (the count after it), or nothing at the limit.
  std::optional<int> Open() {
    if (open_ >= kMaxMonitors) return std::nullopt;
    return ++open_;
  }
  void Closed() {
    if (open_ > 0) --open_;
  }
  int Count() const { return open_; }

 private:
  int open_ = 0;
};

}  // namespace qg::shell
