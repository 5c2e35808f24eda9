#include "harrowmeter/operations.h"

#include <algorithm>

namespace qg::harrowmeter {

void RegisterOps::Pause() const {
  const std::uint64_t start = clock_.TickMs();
  while (clock_.TickMs() - start < kPauseMs) {
  }
}

std::uint8_t RegisterOps::ReadOnce(std::uint16_t start, std::uint16_t count, std::uint16_t* data) {
  serial::DRVPAR& p = link_.Par();
  p.function = 3;
  p.start = start;
  p.count = count;
  p.data = data;
  link_.ReadWords();
  return static_cast<std::uint8_t>(p.result);
}

std::uint8_t RegisterOps::WriteOnce(std::uint16_t reg, std::uint16_t value) {
  serial::DRVPAR& p = link_.Par();
  p.function = 6;
  p.start = reg;
  p.value = value;
  link_.WriteWords();
  return static_cast<std::uint8_t>(p.result);
}

std::uint8_t RegisterOps::ReadWithRetries(std::uint16_t start, std::uint16_t count, std::uint16_t* data,
                                          bool pause) {
  std::uint8_t code = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0 && pause) Pause();
    code = ReadOnce(start, count, data);
    if (code == serial::kErrNone) break;
  }
  return code;
}

std::uint8_t RegisterOps::WriteWithRetries(std::uint16_t reg, std::uint16_t value) {
  std::uint8_t code = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) Pause();
    code = WriteOnce(reg, value);
    if (code == serial::kErrNone) break;
  }
  return code;
}

std::uint8_t RegisterOps::ReadConfigBlock(ConfigBlock& words, const std::function<void(int)>& progress) {
  std::uint8_t code = ReadWithRetries(0, kFirstPartCount, words.data(), false);
  if (code != serial::kErrNone) return code;
  if (progress) progress(60);
  code = ReadWithRetries(kSecondPartStart, kSecondPartCount, words.data() + kSecondPartStart, false);
  if (code != serial::kErrNone) return code;
  if (progress) progress(100);
  return code;
}

std::uint8_t RegisterOps::ReadRegister(std::uint16_t reg, std::uint16_t& word) {
  std::uint16_t w = 0;
  const std::uint8_t code = ReadWithRetries(reg, 1, &w, true);
  if (code == serial::kErrNone) word = w;
  return code;
}

std::uint8_t RegisterOps::ReadBack(std::uint16_t reg, std::uint16_t expected) {
  Pause();
  std::uint16_t got = 0;
  const std::uint8_t code = ReadRegister(reg, got);
  if (code != serial::kErrNone) return code;
  if (got != expected) {
    // The instrument took the write but holds another value: the write did not happen.
    link_.Par().result = serial::kErrValue;
    return serial::kErrValue;
  }
  return serial::kErrNone;
}

std::uint8_t RegisterOps::WriteRegisterChecked(std::uint16_t reg, std::uint16_t value) {
  const std::uint8_t code = WriteWithRetries(reg, value);
  if (code != serial::kErrNone) return code;
  return ReadBack(reg, value);
}

std::uint8_t RegisterOps::ReadLiveBlock(LiveBlock& words) {
  return ReadWithRetries(0, kLiveBlockCount, words.data(), true);
}

std::int64_t RegisterOps::ReadStoredCount(std::int32_t capacity) {
  std::array<std::uint16_t, kStoredCountBlock> w{};
  if (ReadWithRetries(reg::kStoredCountHigh, kStoredCountBlock, w.data(), true) != serial::kErrNone)
    return -1;
  const std::int64_t stored =
      JoinCount32(w[0], w[reg::kStoredCountLow - reg::kStoredCountHigh]);
  return std::min<std::int64_t>(stored, std::max<std::int32_t>(capacity, 0));
}

std::uint8_t RegisterOps::StopAcquisitions() { return WriteRegisterChecked(reg::kAcquisitionCommand, kCommandStop); }
std::uint8_t RegisterOps::StartAcquisitions() { return WriteRegisterChecked(reg::kAcquisitionCommand, kCommandStart); }

std::uint8_t RegisterOps::SetClock(std::uint16_t* failedRegister) {
  if (failedRegister) *failedRegister = 0;
  const auto regs = EncodePackedTime(PackedTimeOf(clock_.Now()));
  for (int k = 0; k < 3; ++k) {
    const auto r = static_cast<std::uint16_t>(reg::kClockSecMin + k);
    const std::uint8_t code = WriteRegisterChecked(r, regs[k]);
    if (code != serial::kErrNone) {
      if (failedRegister) *failedRegister = r;
      return code;
    }
  }
  return serial::kErrNone;
}

std::uint8_t RegisterOps::ChangeAddress(std::uint8_t newAddress) {
  const std::uint8_t code = WriteWithRetries(reg::kNetworkAddress, newAddress);
  if (code != serial::kErrNone) return code;
  link_.Par().address = newAddress;
  return ReadBack(reg::kNetworkAddress, newAddress);
}

std::uint8_t RegisterOps::ChangeBaud(std::uint16_t code) {
  const auto baud = BaudOfCode(code);
  if (!baud) {
    link_.Par().result = serial::kErrValue;
    return serial::kErrValue;
  }
  const std::uint8_t w = WriteWithRetries(reg::kNetworkBaud, code);
  if (w != serial::kErrNone) return w;
  serial::DRVPAR& p = link_.Par();
  p.baud = static_cast<std::uint16_t>(*baud);
  link_.ClosePort();
  // A port that does not reopen shows up as the failed read-back ("Porta serial não conectada").
  link_.OpenPort(&p);
  return ReadBack(reg::kNetworkBaud, code);
}

}  // namespace qg::harrowmeter
