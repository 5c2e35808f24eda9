#pragma once
// Register operations of the configurator on the Harrowcfg variant of the link. Each returns
// the link error code of its last transaction (0 = success) unless said otherwise.
#include <array>
#include <cstdint>
#include <functional>

#include "harrowmeter/config.h"
#include "harrowmeter/registers.h"
#include "platform/clock.h"
#include "serial/link.h"

namespace qg::harrowmeter {

using LiveBlock = std::array<std::uint16_t, kLiveBlockCount>;

class RegisterOps {
 public:
  // The link's record supplies the address and rate in use; `clock` times the 2 ms pauses and
  // gives the time that SetClock writes.
  RegisterOps(serial::Link& link, const platform::Clock& clock) : link_(link), clock_(clock) {}

  static constexpr int kAttempts = 3;
  static constexpr std::uint64_t kPauseMs = 2;

  // Registers 0..124 then 125..200, each request with three attempts back to back; `progress`
  // receives 60 after the first request and 100 after the second.
  std::uint8_t ReadConfigBlock(ConfigBlock& words, const std::function<void(int)>& progress = {});
  std::uint8_t ReadRegister(std::uint16_t reg, std::uint16_t& word);
  // Write, pause, read back: a read-back that succeeds with another value fails with code 4
  // ("Valor retornado é diferente do valor forçado").
  std::uint8_t WriteRegisterChecked(std::uint16_t reg, std::uint16_t value);
  std::uint8_t ReadLiveBlock(LiveBlock& words);
  // Registers 182..195: the stored count, never more than `capacity`; -1 when every attempt failed.
  std::int64_t ReadStoredCount(std::int32_t capacity);

  std::uint8_t StopAcquisitions();
  std::uint8_t StartAcquisitions();
  // Registers 14, 15, 16 in this order from one reading of the clock; `failedRegister` receives
  // the register whose write failed (0 when none did).
  std::uint8_t SetClock(std::uint16_t* failedRegister = nullptr);
  // Sent to the address in use; the instrument answers at the old address and then moves, so the
  // read-back goes to the new address, which the link record keeps afterwards.
  std::uint8_t ChangeAddress(std::uint8_t newAddress);
  // Sent at the rate in use; the read-back is made after the port is reopened at the new rate,
  // which the link record keeps afterwards. Code 4 for a code outside 0..4 (nothing is sent).
  std::uint8_t ChangeBaud(std::uint16_t code);

  // A busy wait of 2 ms on the clock's tick count.
  void Pause() const;

 private:
  std::uint8_t ReadOnce(std::uint16_t start, std::uint16_t count, std::uint16_t* data);
  std::uint8_t WriteOnce(std::uint16_t reg, std::uint16_t value);
  std::uint8_t ReadWithRetries(std::uint16_t start, std::uint16_t count, std::uint16_t* data, bool pause);
  std::uint8_t WriteWithRetries(std::uint16_t reg, std::uint16_t value);
  std::uint8_t ReadBack(std::uint16_t reg, std::uint16_t expected);

  serial::Link& link_;
  const platform::Clock& clock_;
};

}  // namespace qg::harrowmeter
