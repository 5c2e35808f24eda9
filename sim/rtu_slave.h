#pragma once
// A Modbus RTU slave for tests and for harrowsim: serves functions 3, 6 and 0x72 of one or
// more devices on one line, with fault modes for exercising a master.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial_port.h"

namespace qg::sim {

// Modbus exception codes a device may answer with.
enum : std::uint8_t { kExIllegalFunction = 1, kExIllegalAddress = 2, kExIllegalValue = 3 };

// What the engine lets a device change about the line once its reply is out.
class LineControl {
 public:
  virtual ~LineControl() = default;
  virtual void ChangeAddress(std::uint8_t from, std::uint8_t to) = 0;
  virtual void ChangeBaud(std::uint32_t baud) = 0;
};

// One slave on the line. Every call is made on the engine's thread.
class SlaveDevice {
 public:
  virtual ~SlaveDevice() = default;
  // Function 3: `out` receives `count` registers; the result is 0 or an exception code.
  virtual std::uint8_t ReadRegisters(std::uint16_t start, std::uint16_t count,
                                     std::vector<std::uint16_t>& out) = 0;
  // Function 6: the value the reply echoes goes into `echoed` (normally `value`).
  virtual std::uint8_t WriteRegister(std::uint16_t reg, std::uint16_t value,
                                     std::uint16_t& echoed) = 0;
  // Function 0x72.
  virtual std::uint8_t ReadMemory(std::uint32_t start, std::uint32_t count,
                                  std::vector<std::uint16_t>& out) = 0;
  // After the reply to a request for this device has left.
  virtual void AfterReply(std::uint8_t /*address*/, LineControl& /*line*/) {}
  // Called often (every few milliseconds) on the engine's thread.
  virtual void Idle() {}
};

// A plain device: a bank of 16-bit registers and a word memory.
class RegisterBank : public SlaveDevice {
 public:
  explicit RegisterBank(std::size_t registers = 256, std::size_t memoryWords = 0)
      : regs_(registers, 0), memory_(memoryWords, 0) {}
  std::uint8_t ReadRegisters(std::uint16_t start, std::uint16_t count,
                             std::vector<std::uint16_t>& out) override;
  std::uint8_t WriteRegister(std::uint16_t reg, std::uint16_t value,
                             std::uint16_t& echoed) override;
  std::uint8_t ReadMemory(std::uint32_t start, std::uint32_t count,
                          std::vector<std::uint16_t>& out) override;

  void Set(std::size_t reg, std::uint16_t v);
  std::uint16_t Get(std::size_t reg) const;
  void SetMemory(std::size_t word, std::uint16_t v);
  std::vector<std::uint16_t>& Memory() { return memory_; }

 private:
  mutable std::mutex mu_;
  std::vector<std::uint16_t> regs_;
  std::vector<std::uint16_t> memory_;
};

// Faults, each switchable while the engine runs.
struct FaultModes {
  bool echo = false;            // the request comes back ahead of the reply (two-wire RS-485)
  bool silent = false;          // no reply at all
  bool corruptCrc = false;      // the reply's CRC is wrong
  int foreignAddress = -1;      // >= 0: the reply names this address
  int exception = -1;           // >= 0: answer every request with this exception code
  int wrongEcho = -1;           // >= 0: a function 6 reply echoes this value
  int echoRegister = -1;        // >= 0: a function 6 reply names this register
  int byteCountDelta = 0;       // added to a function 3 reply's byte count field
  int wordCountDelta = 0;       // added to a function 0x72 reply's word count field
  int replyFunction = -1;       // >= 0: the reply's function byte
  std::uint32_t delayMs = 0;    // wait before answering
  bool lineTiming = false;      // pace bytes at the baud rate (10 bits a byte)
};

// The engine: listens on one line and answers for the devices at their addresses.
class RtuSlave : public LineControl {
 public:
  RtuSlave();
  ~RtuSlave() override;
  RtuSlave(const RtuSlave&) = delete;
  RtuSlave& operator=(const RtuSlave&) = delete;

  // A new pseudo-terminal; its slave side's path is returned by Path().
  bool OpenPty(std::string& error);
  // An existing device (a real serial port or a pty made elsewhere).
  bool OpenDevice(const std::string& path, std::string& error);
  const std::string& Path() const { return path_; }

  void AddDevice(std::uint8_t address, std::shared_ptr<SlaveDevice> device);
  void SetBaud(std::uint32_t baud);
  std::uint32_t Baud() const { return baud_.load(); }
  void SetFaults(const FaultModes& f);
  FaultModes Faults() const;

  // Serves on a thread of its own until Stop().
  void Start();
  void Stop();
  // Frames answered so far (any address), for tests that wait for traffic.
  std::uint64_t Answered() const { return answered_.load(); }
  // Every request frame received, in order (CRC included), for tests.
  std::vector<std::vector<std::uint8_t>> Requests() const;

  // LineControl
  void ChangeAddress(std::uint8_t from, std::uint8_t to) override;
  void ChangeBaud(std::uint32_t baud) override;

 private:
  void Run();
  void Handle(const std::vector<std::uint8_t>& frame);
  void Send(const std::vector<std::uint8_t>& bytes);
  std::uint32_t SilenceMs() const;
  bool LineSpeedMatches() const;

  std::unique_ptr<platform::SerialPort> device_;  // when serving an existing device
  int masterFd_ = -1;  // pty master, or the device
  int keepSlaveFd_ = -1;  // the pty's slave kept open so the line survives the master's closes
  std::string path_;
  std::atomic<std::uint32_t> baud_{9600};
  mutable std::mutex mu_;
  std::map<std::uint8_t, std::shared_ptr<SlaveDevice>> devices_;
  FaultModes faults_;
  std::vector<std::vector<std::uint8_t>> requests_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> answered_{0};
  std::thread thread_;
  int wakeFd_[2] = {-1, -1};
};

}  // namespace qg::sim
