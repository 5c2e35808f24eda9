#pragma once
// A serial port on termios and poll(): exclusive open, line settings, exact read time-outs.
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <memory>
#include <string>

namespace qg::platform {

class ProfileFile;

// COMn names to device paths: the keys COM1.. of a [Ports] section, else /dev/ttyS(n-1).
class PortMap {
 public:
  PortMap() = default;
  // Reads the [Ports] section of a settings file.
  static PortMap FromProfile(const ProfileFile& settings);
  void Set(int number, std::string path) { paths_[number] = std::move(path); }
  // The path of COMn; empty when n < 1 (there is no such port).
  std::string PathOf(int number) const;

 private:
  std::map<int, std::string> paths_;
};

// True for "COM1".."COM99" (any case); `number` receives n.
bool ParseComName(const std::string& name, int& number);

struct LineSettings {
  std::uint32_t baud = 9600;  // 8 data bits, no parity, one stop bit
};

struct ReadTimeouts {
  std::uint32_t intervalMs = 0;  // 0: no interval time-out
  std::uint32_t totalPerByteMs = 0;
  std::uint32_t totalConstantMs = 0;
};

class SerialPort {
 public:
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens an existing device for exclusive use. Nothing and a reason on failure.
  static std::unique_ptr<SerialPort> Open(const std::string& path, std::string& error);

  bool Configure(const LineSettings& line, std::string& error);
  void SetTimeouts(const ReadTimeouts& t) { timeouts_ = t; }
  const ReadTimeouts& Timeouts() const { return timeouts_; }

  // Writes every byte (blocking); false when the device refused.
  bool Write(const std::uint8_t* bytes, std::size_t n);
  // Reads up to n bytes: returns when n bytes have arrived, when the gap after a byte exceeds
  // the interval time-out, or when the total time-out (per byte × n + constant) has run out.
  std::size_t Read(std::uint8_t* bytes, std::size_t n);
  // Waits until every written byte has left; false when the wait itself failed.
  bool WaitTransmitEmpty();
  void PurgeReceive();
  void PurgeTransmit();
  // RTS keying; a device without modem lines (a pseudo-terminal) ignores it.
  void SetRts(bool on);
  void SetDtr(bool on);

  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }

 private:
  SerialPort(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
  ReadTimeouts timeouts_;
};

}  // namespace qg::platform
