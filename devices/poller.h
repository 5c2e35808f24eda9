#pragma once
// The poll of one device and the one-second scan tick over the device list.
#include <cstddef>
#include <functional>
#include <string>

namespace qg::plugins {
class PluginHost;
}
namespace qg::serial {
class Link;
}

namespace qg::devices {

class CDevice;
class DeviceList;

inline constexpr int kPollAttempts = 3;
inline constexpr const char* kCommErrorPrefix = "Erro de comunicação Código ";
inline constexpr const char* kPointerLost = "Pointer loosing ";

// Reads the device's block (three attempts) and stores each parameter's register as its latest
// value; after a failure every parameter holds the no-value marker. False on failure, with the
// code in the link's `result`. A plug-in that answers an impossible block (no library, a count
// outside 0..17, an offset outside the block) fails the poll with code 2 and no traffic.
bool PollDevice(CDevice& device, serial::Link& link, plugins::PluginHost& host);

class Scanner {
 public:
  struct Hooks {
    std::function<void()> startHistoryTimer;
    std::function<void()> stopHistoryTimer;
  };
  explicit Scanner(Hooks hooks = {}) : hooks_(std::move(hooks)) {}

  // One tick: at most five polls, round-robin from where the last tick stopped.
  void Tick(DeviceList& devices, serial::Link& link, plugins::PluginHost& host);

  // "Erro de comunicação Código N" after a failed poll, empty after a good one.
  const std::string& StatusText() const { return status_; }
  std::size_t Cursor() const { return cursor_; }
  std::size_t ScanCount() const { return scanCount_; }

 private:
  Hooks hooks_;
  std::size_t cursor_ = 0;
  std::size_t scanCount_ = 0;
  std::string status_;
};

}  // namespace qg::devices
