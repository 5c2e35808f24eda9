#pragma once
// A simulated Harrowmeter: its full register map, live readings, clock and acquisition engine,
// served as one device of the RTU slave engine. Time inside the model is simulated time that
// only moves through Advance() (or, when paced, through Idle() at a multiple of real time), so a
// programme can be run tick by tick. Every public member takes the model's lock.
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "harrowmeter/config.h"
#include "harrowmeter/registers.h"
#include "platform/clock.h"
#include "sim/rtu_slave.h"

namespace qg::sim {

// Everything a model holds, for the state file.
struct HarrowmeterSnapshot {
  std::uint8_t address = 1;
  harrowmeter::ConfigBlock regs{};  // the stored registers; computed ones are refreshed on restore
  std::uint32_t capacity = 0;
  std::vector<std::uint16_t> memory;  // physical words; size == capacity
  std::uint64_t totalWritten = 0;
  bool enabled = false;
  bool running = false;
  std::uint64_t runTicks = 0;
  std::array<std::uint16_t, harrowmeter::kChannels> countdowns{};
  std::int64_t msToNextTick = 0;
  std::int64_t clockOffsetMs = 0;  // the instrument's clock minus the computer's
  bool programmeDone = false;
  bool digitalInput = false;
  std::uint16_t faultStatus = 0;
  std::array<std::uint8_t, harrowmeter::kChannels> channelStatus{};
  std::array<std::optional<std::int16_t>, harrowmeter::kChannels> held{};
};

class HarrowmeterModel final : public SlaveDevice {
 public:
  static constexpr std::uint32_t kDefaultCapacity = 32768;
  static constexpr std::uint32_t kMaxCapacity = 1u << 22;  // words

  // `clockNow`: the instrument clock's starting time. `serialNumber` 0..99999999.
  HarrowmeterModel(std::uint8_t address, platform::DateTime clockNow, std::uint32_t serialNumber = 120345,
                   std::uint32_t capacity = kDefaultCapacity);

  // SlaveDevice
  std::uint8_t ReadRegisters(std::uint16_t start, std::uint16_t count, std::vector<std::uint16_t>& out) override;
  std::uint8_t WriteRegister(std::uint16_t reg, std::uint16_t value, std::uint16_t& echoed) override;
  std::uint8_t ReadMemory(std::uint32_t start, std::uint32_t count, std::vector<std::uint16_t>& out) override;
  void AfterReply(std::uint8_t address, LineControl& line) override;
  void Idle() override;

  // Simulated time.
  void Advance(std::uint64_t ms);
  std::uint64_t SimMs() const;
  // Idle() then moves simulated time by the real time of `clock` × `speed` (0 stops it).
  void SetPacing(const platform::Clock* clock, double speed);
  void SetSpeed(double speed);  // keeps the pacing clock
  double Speed() const;

  // Controls.
  void SetReading(int ch, std::int16_t raw);  // holds the reading until ReleaseReading
  void ReleaseReading(int ch);
  void SetDigitalInput(bool active);
  bool DigitalInput() const;
  void SetFault(std::uint16_t statusBit, bool on);  // bits 0, 1, 5..15 of register 9
  void SetChannelStatus(int ch, std::uint8_t status);
  void SetCapacity(std::uint32_t words);  // clears the memory
  // A register as a program would find it stored, bypassing the checks of a line write
  // (identification, serial number, firmware, anything); computed registers ignore it.
  void SetRegisterRaw(std::uint16_t reg, std::uint16_t value);

  // Inspection.
  std::uint8_t Address() const;
  std::uint16_t Register(std::uint16_t reg) const;
  std::vector<std::uint16_t> Memory() const;  // the stored words, oldest first
  std::uint64_t TotalWritten() const;
  bool Enabled() const;
  bool Running() const;
  platform::DateTime ClockNow() const;

  HarrowmeterSnapshot Snapshot(platform::DateTime computerNow) const;
  void Restore(const HarrowmeterSnapshot& s, platform::DateTime computerNow);

 private:
  using Lock = std::lock_guard<std::mutex>;

  std::int64_t ClockMs() const { return clockBaseMs_ + static_cast<std::int64_t>(simMs_); }
  std::uint16_t ReadOne(std::uint16_t reg) const;
  std::uint8_t Write(std::uint16_t reg, std::uint16_t value);
  void SetClockPair(std::uint16_t reg, std::uint16_t value);
  std::int16_t Reading(int ch) const;
  std::int16_t AutoReading(int ch) const;
  std::uint16_t AlarmStatus() const;
  std::uint16_t InstrumentStatus() const;
  std::uint32_t StoredCount() const;
  std::uint64_t IntervalMs() const;
  std::optional<std::int64_t> ProgrammedTimeMs(std::uint16_t firstReg) const;
  int StartMode() const;
  int StopMode() const;
  bool Wrap() const;
  bool Acquirable() const;

  void AdvanceLocked(std::uint64_t ms);
  void Arm();
  void StartRun();
  void EndRun(bool programmeDone);
  void Tick();
  bool Store(std::uint16_t word);  // false: the memory is full and does not wrap
  void ResetMemory();

  mutable std::mutex mu_;
  std::uint8_t address_;
  harrowmeter::ConfigBlock regs_{};
  std::vector<std::uint16_t> memory_;
  std::uint64_t totalWritten_ = 0;

  std::uint64_t simMs_ = 0;
  std::int64_t clockBaseMs_ = 0;  // ms from 30/12/1899 of the clock at simulated time 0
  int clockRawDay_ = 0;           // a day written ahead of its month (31 while still in February)
  std::int64_t clockRawDays_ = -1;

  bool enabled_ = false;
  bool running_ = false;
  bool programmeDone_ = false;
  std::uint64_t runTicks_ = 0;
  std::uint64_t nextTickSim_ = 0;
  std::array<std::uint16_t, harrowmeter::kChannels> countdown_{};

  bool digitalInput_ = false;
  std::uint16_t faultStatus_ = 0;
  std::array<std::uint8_t, harrowmeter::kChannels> channelStatus_{};
  std::array<std::optional<std::int16_t>, harrowmeter::kChannels> held_{};

  std::optional<std::uint8_t> pendingAddress_;
  std::optional<std::uint32_t> pendingBaud_;

  const platform::Clock* pacingClock_ = nullptr;
  double speed_ = 1.0;
  std::uint64_t lastRealMs_ = 0;
  double carryMs_ = 0.0;
};

}  // namespace qg::sim
