#include "sim/harrowmeter_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "harrowmeter/input_types.h"
#include "harrowmeter/status_texts.h"
#include "platform/cp1252.h"

namespace qg::sim {

namespace hm = qg::harrowmeter;
namespace reg = qg::harrowmeter::reg;
using hm::PackBytes;

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

struct Fields {
  int year, month, day, hour, minute, second, ms;
};

Fields FieldsOfMs(std::int64_t ms) {
  const std::int64_t days = FloorDiv(ms, kMsPerDay);
  const std::int64_t tod = ms - days * kMsPerDay;
  const platform::DateTimeFields d = platform::DecodeDateTime(static_cast<double>(days));
  return {d.year,
          d.month,
          d.day,
          static_cast<int>(tod / 3600000),
          static_cast<int>(tod / 60000 % 60),
          static_cast<int>(tod / 1000 % 60),
          static_cast<int>(tod % 1000)};
}

std::optional<std::int64_t> MsOf(int y, int mo, int d, int h, int mi, int s, int ms) {
  const auto date = platform::EncodeDate(y, mo, d);
  if (!date || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59 || ms < 0 || ms > 999)
    return std::nullopt;
  return static_cast<std::int64_t>(std::llround(*date)) * kMsPerDay +
         ((h * 60LL + mi) * 60LL + s) * 1000LL + ms;
}

std::array<std::uint16_t, 3> PackMs(std::int64_t ms) {
  const Fields f = FieldsOfMs(ms);
  const int offset = std::clamp(f.year - hm::kYearBase, 0, 255);
  return {PackBytes(static_cast<unsigned>(f.second), static_cast<unsigned>(f.minute)),
          PackBytes(static_cast<unsigned>(f.hour), static_cast<unsigned>(f.day)),
          PackBytes(static_cast<unsigned>(f.month), static_cast<unsigned>(offset))};
}

bool ReadOnly(std::uint16_t r) {
  return r <= 13 || (r >= 174 && r <= 176) || r == 180 || (r >= 182 && r <= 184) || r >= 192;
}

void PutText(hm::ConfigBlock& regs, std::uint16_t first, std::size_t registers, const std::string& utf8) {
  const auto words = hm::EncodeText(platform::Utf8ToCp1252Field(utf8, registers * 2), registers);
  std::copy(words.begin(), words.end(), regs.begin() + first);
}

}  // namespace

HarrowmeterModel::HarrowmeterModel(std::uint8_t address, platform::DateTime clockNow,
                                   std::uint32_t serialNumber, std::uint32_t capacity)
    : address_(address) {
  clockBaseMs_ = static_cast<std::int64_t>(std::llround(clockNow * kMsPerDay));
  // Four channels in use out of the box: a J thermocouple with a high alarm, a Pt100, a linear
  // 4-20 mA input shown with one decimal, and a K thermocouple.
  const std::uint16_t setups[8] = {0x0280, 0x0088, 0x0092, 0x0081, 0x0000, 0x0000, 0x0000, 0x0000};
  for (int ch = 0; ch < hm::kChannels; ++ch) {
    regs_[reg::ChannelSetup(ch)] = setups[ch];
    regs_[reg::Multiplier(ch)] = 1;
    const int type = setups[ch] & 0x1F;
    const hm::SensorRange r = hm::RangeOf(type, false);
    regs_[reg::ScaleLow(ch)] = static_cast<std::uint16_t>(r.low);
    regs_[reg::ScaleHigh(ch)] = static_cast<std::uint16_t>(r.high);
    PutText(regs_, reg::Tag(ch), 4, "Canal " + std::to_string(ch + 1));
    PutText(regs_, reg::EngUnit(ch), 4, hm::IsLinearType(type) ? "%" : "°C");
  }
  regs_[reg::SetPoint1(0)] = 27;
  regs_[reg::ScaleLow(2)] = 0;
  regs_[reg::ScaleHigh(2)] = 1000;
  regs_[reg::kDecimalPoints] = 1u << 4;  // channel 3: "000.0"
  regs_[reg::kIntervalTenthsSec] = PackBytes(0, 1);
  for (int k = 0; k < 4; ++k) regs_[reg::kFilter + k] = PackBytes(1, 1);
  regs_[reg::kMainsFrequency] = 60;
  regs_[reg::kNetworkAddress] = address;
  regs_[reg::kNetworkBaud] = 3;
  regs_[reg::kSerialNumberHigh] = static_cast<std::uint16_t>(serialNumber / 10000 % 10000);
  regs_[reg::kSerialNumberLow] = static_cast<std::uint16_t>(serialNumber % 10000);
  regs_[reg::kFirmwareVersion] = 105;
  regs_[reg::kDeviceIdentification] = hm::kIdentification;
  PutText(regs_, reg::kTitle, 8, "Harrowmeter " + std::to_string(address));
  const auto clockRegs = PackMs(ClockMs());
  std::copy(clockRegs.begin(), clockRegs.end(), regs_.begin() + reg::kClockSecMin);
  countdown_.fill(1);
  memory_.assign(std::min(capacity, kMaxCapacity), 0xFFFF);
}

// ---- registers -------------------------------------------------------------------------------

int HarrowmeterModel::StartMode() const { return (regs_[reg::kLoggingMode] >> 3) & 3; }
int HarrowmeterModel::StopMode() const { return (regs_[reg::kLoggingMode] >> 1) & 3; }
bool HarrowmeterModel::Wrap() const { return regs_[reg::kLoggingMode] & 1; }

std::uint32_t HarrowmeterModel::StoredCount() const {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(totalWritten_, memory_.size()));
}

std::uint64_t HarrowmeterModel::IntervalMs() const {
  const std::uint16_t a = regs_[reg::kIntervalTenthsSec];
  const std::uint16_t b = regs_[reg::kIntervalMinHour];
  return hm::HighByte(a) * 100ULL + hm::LowByte(a) * 1000ULL + hm::HighByte(b) * 60000ULL +
         hm::LowByte(b) * 3600000ULL;
}

std::optional<std::int64_t> HarrowmeterModel::ProgrammedTimeMs(std::uint16_t first) const {
  const std::uint16_t a = regs_[first], b = regs_[first + 1], c = regs_[first + 2];
  const int year = hm::kYearBase + hm::LowByte(c);
  const int month = hm::HighByte(c);
  if (month < 1 || month > 12 || hm::LowByte(b) < 1) return std::nullopt;
  const int day = std::min<int>(hm::LowByte(b), platform::DaysInMonth(year, month));
  return MsOf(year, month, day, hm::HighByte(b), hm::LowByte(a), hm::HighByte(a), 0);
}

bool HarrowmeterModel::Acquirable() const {
  return (faultStatus_ & (hm::kStatusClockMissing | hm::kStatusMemoryMissing)) == 0 && IntervalMs() > 0;
}

std::int16_t HarrowmeterModel::AutoReading(int ch) const {
  const std::uint16_t setup = regs_[reg::ChannelSetup(ch)];
  const int type = setup & 0x1F;
  if (!hm::IsValidInputType(type)) return 0;
  const bool f = setup & 0x20;
  const double t = static_cast<double>(simMs_) / 1000.0;
  const double s = std::sin(2.0 * M_PI * t / (60.0 + 13.0 * ch) + ch);
  double lo, hi, v;
  if (hm::IsLinearType(type)) {
    lo = static_cast<std::int16_t>(regs_[reg::ScaleLow(ch)]);
    hi = static_cast<std::int16_t>(regs_[reg::ScaleHigh(ch)]);
    if (lo > hi) std::swap(lo, hi);
    v = lo + (hi - lo) * (0.5 + 0.25 * s);
  } else {
    const hm::SensorRange r = hm::RangeOf(type, f);
    lo = r.low;
    hi = r.high;
    const double scale = hm::IsPt100Type(type) ? 10.0 : 1.0;
    const double span = hi - lo;
    // Room temperature where the sensor reaches it, else just inside the sensor's range.
    const double centre = std::clamp((f ? 77.0 : 25.0) * scale, lo + span * 0.05, hi - span * 0.05);
    v = centre + (f ? 5.0 : 3.0) * scale * s;
  }
  return static_cast<std::int16_t>(std::clamp(std::lround(v), static_cast<long>(lo), static_cast<long>(hi)));
}

std::int16_t HarrowmeterModel::Reading(int ch) const { return held_[ch] ? *held_[ch] : AutoReading(ch); }

std::uint16_t HarrowmeterModel::AlarmStatus() const {
  std::uint16_t w = 0;
  for (int ch = 0; ch < hm::kChannels; ++ch) {
    const std::uint16_t setup = regs_[reg::ChannelSetup(ch)];
    if ((setup & 0x80) == 0) continue;
    const std::int16_t v = Reading(ch);
    const int kinds[2] = {(setup >> 8) & 3, (setup >> 12) & 3};
    const std::int16_t sps[2] = {static_cast<std::int16_t>(regs_[reg::SetPoint1(ch)]),
                                 static_cast<std::int16_t>(regs_[reg::SetPoint2(ch)])};
    for (int a = 0; a < 2; ++a) {
      if ((kinds[a] & 1) && v < sps[a]) w |= static_cast<std::uint16_t>(1u << (2 * ch));
      if ((kinds[a] & 2) && v > sps[a]) w |= static_cast<std::uint16_t>(1u << (2 * ch + 1));
    }
  }
  return w;
}

std::uint16_t HarrowmeterModel::InstrumentStatus() const {
  std::uint16_t s = faultStatus_;
  if (!memory_.empty() && StoredCount() >= memory_.size()) s |= hm::kStatusMemoryFull;
  if (totalWritten_ > 0) s |= hm::kStatusAcquired;
  if (programmeDone_) s |= hm::kStatusProgrammeDone;
  return s;
}

std::uint16_t HarrowmeterModel::ReadOne(std::uint16_t r) const {
  if (r < 8) return static_cast<std::uint16_t>(Reading(r));
  const auto total = static_cast<std::uint32_t>(std::min<std::uint64_t>(totalWritten_, 0xFFFFFFFFu));
  const auto capacity = static_cast<std::uint32_t>(memory_.size());
  switch (r) {
    case reg::kAlarmStatus: return AlarmStatus();
    case reg::kInstrumentStatus: return InstrumentStatus();
    case 10: case 11: case 12: case 13:
      return PackBytes(channelStatus_[2 * (r - 10)], channelStatus_[2 * (r - 10) + 1]);
    case reg::kCapacityHigh: return hm::SplitCount32(capacity).high;
    case reg::kCapacityLow: return hm::SplitCount32(capacity).low;
    case reg::kStoredCountHigh: return hm::SplitCount32(StoredCount()).high;
    case reg::kStoredCountLow: return hm::SplitCount32(StoredCount()).low;
    case reg::kTotalWrittenHigh: return hm::SplitCount32(total).high;
    case reg::kTotalWrittenLow: return hm::SplitCount32(total).low;
    default: return regs_[r];
  }
}

std::uint8_t HarrowmeterModel::ReadRegisters(std::uint16_t start, std::uint16_t count,
                                             std::vector<std::uint16_t>& out) {
  Lock lock(mu_);
  if (count == 0) return kExIllegalValue;
  if (static_cast<unsigned>(start) + count > hm::kBlockSize) return kExIllegalAddress;
  out.clear();
  for (unsigned r = start; r < static_cast<unsigned>(start) + count; ++r)
    out.push_back(ReadOne(static_cast<std::uint16_t>(r)));
  return 0;
}

void HarrowmeterModel::SetClockPair(std::uint16_t r, std::uint16_t value) {
  const std::int64_t now = ClockMs();
  Fields f = FieldsOfMs(now);
  int day = FloorDiv(now, kMsPerDay) == clockRawDays_ ? clockRawDay_ : f.day;
  const int hi = hm::HighByte(value), lo = hm::LowByte(value);
  if (r == reg::kClockSecMin) {
    f.second = hi;
    f.minute = lo;
    f.ms = 0;
  } else if (r == reg::kClockHourDay) {
    f.hour = hi;
    day = lo;
  } else {
    f.month = hi;
    f.year = hm::kYearBase + lo;
  }
  // The registers are written one at a time: a day that its month cannot hold yet (31 before
  // the month moves from February) waits for the next write instead of being lost.
  const int effective = std::min(day, platform::DaysInMonth(f.year, f.month));
  const auto ms = MsOf(f.year, f.month, effective, f.hour, f.minute, f.second, f.ms);
  if (!ms) return;
  clockBaseMs_ = *ms - static_cast<std::int64_t>(simMs_);
  clockRawDay_ = day;
  clockRawDays_ = FloorDiv(*ms, kMsPerDay);
}

std::uint8_t HarrowmeterModel::Write(std::uint16_t r, std::uint16_t v) {
  if (r >= hm::kBlockSize) return kExIllegalAddress;
  // The instrument's own registers take the write and keep their value.
  if (ReadOnly(r)) return 0;
  const unsigned hi = hm::HighByte(v), lo = hm::LowByte(v);
  switch (r) {
    case reg::kClockSecMin:
      if (hi > 59 || lo > 59) return kExIllegalValue;
      break;
    case reg::kClockHourDay:
      if (hi > 23 || lo < 1 || lo > 31) return kExIllegalValue;
      break;
    case reg::kClockMonthYear:
      if (hi < 1 || hi > 12) return kExIllegalValue;
      break;
    case reg::kLoggingMode:
      if ((v & 0xFF80) != 0 || ((v >> 3) & 3) == 3) return kExIllegalValue;
      break;
    case reg::kAcquisitionCommand:
      // The register keeps the command written, as any holding register does: a programme that
      // ends within the command's own tick must not make the start's read-back fail.
      if (v == hm::kCommandStop) {
        if (running_) EndRun(false);
        enabled_ = false;
      } else if (v == hm::kCommandStart) {
        if (!enabled_) Arm();
      } else {
        return kExIllegalValue;
      }
      break;
    case reg::kIntervalTenthsSec:
      if (hi > 9 || lo > 59) return kExIllegalValue;
      break;
    case reg::kIntervalMinHour:
      if (hi > 59 || lo > 23) return kExIllegalValue;
      break;
    case reg::kFilter: case reg::kFilter + 1: case reg::kFilter + 2: case reg::kFilter + 3:
      if (hi > 9 || lo > 9) return kExIllegalValue;
      break;
    case reg::kMainsFrequency:
      if (v != 50 && v != 60) return kExIllegalValue;
      break;
    case reg::kNetworkAddress:
      if (v < 1 || v > 247) return kExIllegalValue;
      if (v != address_) pendingAddress_ = static_cast<std::uint8_t>(v);
      break;
    case reg::kNetworkBaud:
      if (v > 4) return kExIllegalValue;
      pendingBaud_ = *hm::BaudOfCode(v);
      break;
    default:
      if (r >= reg::kChannelSetup && r < reg::kChannelSetup + 8 && (v & 0x1F) >= hm::kInputTypes)
        return kExIllegalValue;
      if (r >= reg::kIntervalMultiplier && r < reg::kIntervalMultiplier + 8 && (v < 1 || v > 255))
        return kExIllegalValue;
      break;
  }
  regs_[r] = v;
  if (r >= reg::kClockSecMin && r <= reg::kClockMonthYear) SetClockPair(r, v);
  return 0;
}

std::uint8_t HarrowmeterModel::WriteRegister(std::uint16_t r, std::uint16_t value, std::uint16_t& echoed) {
  Lock lock(mu_);
  echoed = value;
  const std::uint8_t ex = Write(r, value);
  AdvanceLocked(0);
  return ex;
}

std::uint8_t HarrowmeterModel::ReadMemory(std::uint32_t start, std::uint32_t count, std::vector<std::uint16_t>& out) {
  Lock lock(mu_);
  const std::uint64_t cap = memory_.size();
  if (count == 0) return kExIllegalValue;
  if (static_cast<std::uint64_t>(start) + count > cap) return kExIllegalAddress;
  // Once the memory has wrapped, address 0 is the oldest word that survives, so a reader sees
  // the words in the order they were taken.
  const std::uint64_t head = totalWritten_ > cap ? totalWritten_ % cap : 0;
  out.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) out[i] = memory_[(head + start + i) % cap];
  return 0;
}

void HarrowmeterModel::AfterReply(std::uint8_t /*address*/, LineControl& line) {
  std::optional<std::uint8_t> moveTo;
  std::uint8_t from = 0;
  std::optional<std::uint32_t> baud;
  {
    Lock lock(mu_);
    if (pendingAddress_) {
      from = address_;
      moveTo = pendingAddress_;
      address_ = *pendingAddress_;
      pendingAddress_.reset();
    }
    baud = pendingBaud_;
    pendingBaud_.reset();
  }
  // The line's own lock is taken outside ours.
  if (moveTo) line.ChangeAddress(from, *moveTo);
  if (baud) line.ChangeBaud(*baud);
}

// ---- acquisition engine ----------------------------------------------------------------------

void HarrowmeterModel::ResetMemory() {
  std::fill(memory_.begin(), memory_.end(), 0xFFFF);
  totalWritten_ = 0;
  for (int k = 0; k < 3; ++k) {
    regs_[reg::kFirstAcquisition + k] = 0;
    regs_[reg::kLastAcquisition + k] = 0;
  }
}

void HarrowmeterModel::Arm() {
  // A new programme begins with an empty memory: the collection reads one programme's samples.
  ResetMemory();
  programmeDone_ = false;
  enabled_ = true;
  if (StartMode() == hm::kStartBySerial) StartRun();
}

bool HarrowmeterModel::Store(std::uint16_t word) {
  const std::uint64_t cap = memory_.size();
  if (cap == 0) return false;
  if (totalWritten_ >= cap && !Wrap()) return false;
  memory_[totalWritten_ % cap] = word;
  ++totalWritten_;
  return true;
}

void HarrowmeterModel::StartRun() {
  if (!Acquirable()) return;
  running_ = true;
  runTicks_ = 0;
  countdown_.fill(1);
  nextTickSim_ = simMs_;
  const std::int64_t now = ClockMs();
  if (totalWritten_ == 0) {
    const auto packed = PackMs(now);
    std::copy(packed.begin(), packed.end(), regs_.begin() + reg::kFirstAcquisition);
  }
  if (StartMode() == hm::kStartByInput) {
    const Fields f = FieldsOfMs(now);
    const std::uint16_t header[4] = {
        hm::kEventMarker,
        PackBytes(static_cast<unsigned>(f.ms / 100), static_cast<unsigned>(f.second)),
        PackBytes(static_cast<unsigned>(f.minute), static_cast<unsigned>(f.hour)),
        PackBytes(static_cast<unsigned>(f.day), static_cast<unsigned>(f.month)),
    };
    for (std::uint16_t w : header) {
      if (!Store(w)) {
        EndRun(false);
        return;
      }
    }
  }
}

void HarrowmeterModel::EndRun(bool programmeDone) {
  running_ = false;
  programmeDone_ = programmeDone_ || programmeDone;
  const bool full = !Wrap() && totalWritten_ >= memory_.size();
  // Runs started by the digital input wait for the next activation.
  if (!(enabled_ && StartMode() == hm::kStartByInput && !full)) enabled_ = false;
}

void HarrowmeterModel::Tick() {
  // A clock or memory that went missing, or an interval set to zero, ends the run.
  if (!Acquirable()) {
    EndRun(false);
    return;
  }
  const std::uint64_t interval = IntervalMs();
  ++runTicks_;
  bool stored = false;
  bool full = false;
  for (int ch = 0; ch < hm::kChannels && !full; ++ch) {
    if ((regs_[reg::ChannelSetup(ch)] & 0x80) == 0) continue;
    if (--countdown_[ch] != 0) continue;
    countdown_[ch] = std::max<std::uint16_t>(1, regs_[reg::Multiplier(ch)]);
    if (!Store(static_cast<std::uint16_t>(Reading(ch)))) {
      full = true;
      break;
    }
    stored = true;
    full = !Wrap() && totalWritten_ >= memory_.size();
  }
  if (stored) {
    const auto packed = PackMs(ClockMs());
    std::copy(packed.begin(), packed.end(), regs_.begin() + reg::kLastAcquisition);
  }
  if (full) {
    EndRun(false);
    return;
  }
  if (StopMode() == hm::kStopAfterCount &&
      runTicks_ >= hm::JoinCount32(regs_[reg::kProgrammedCountHigh], regs_[reg::kProgrammedCountLow])) {
    EndRun(true);
    return;
  }
  nextTickSim_ += interval;
}

void HarrowmeterModel::AdvanceLocked(std::uint64_t ms) {
  const std::uint64_t target = simMs_ + ms;
  enum class Event { None, Start, Tick, Stop };
  for (;;) {
    Event what = Event::None;
    std::uint64_t at = std::numeric_limits<std::uint64_t>::max();
    if (enabled_ && !running_ && StartMode() == hm::kStartAtTime && Acquirable()) {
      if (const auto start = ProgrammedTimeMs(reg::kStartSecMin)) {
        const std::int64_t sim = *start - clockBaseMs_;
        at = sim < static_cast<std::int64_t>(simMs_) ? simMs_ : static_cast<std::uint64_t>(sim);
        what = Event::Start;
      }
    } else if (running_) {
      if (StopMode() == hm::kStopAfterCount &&
          hm::JoinCount32(regs_[reg::kProgrammedCountHigh], regs_[reg::kProgrammedCountLow]) <= runTicks_) {
        at = simMs_;  // nothing (more) to acquire
        what = Event::Stop;
      } else {
        at = std::max(nextTickSim_, simMs_);
        what = Event::Tick;
        if (StopMode() == hm::kStopAtTime) {
          if (const auto stop = ProgrammedTimeMs(reg::kStopSecMin)) {
            // A tick at the stop time itself is still taken.
            const std::int64_t sim = *stop - clockBaseMs_;
            if (sim < static_cast<std::int64_t>(at)) {
              at = sim < static_cast<std::int64_t>(simMs_) ? simMs_ : static_cast<std::uint64_t>(sim);
              what = Event::Stop;
            }
          }
        }
      }
    }
    if (what == Event::None || at > target) break;
    simMs_ = at;
    switch (what) {
      case Event::Start: StartRun(); break;
      case Event::Tick: Tick(); break;
      case Event::Stop: EndRun(true); break;
      case Event::None: break;
    }
  }
  simMs_ = target;
}

void HarrowmeterModel::Advance(std::uint64_t ms) {
  Lock lock(mu_);
  AdvanceLocked(ms);
}

std::uint64_t HarrowmeterModel::SimMs() const {
  Lock lock(mu_);
  return simMs_;
}

void HarrowmeterModel::SetPacing(const platform::Clock* clock, double speed) {
  Lock lock(mu_);
  pacingClock_ = clock;
  speed_ = std::isfinite(speed) && speed > 0 ? speed : 0.0;
  if (clock) lastRealMs_ = clock->TickMs();
  carryMs_ = 0;
}

void HarrowmeterModel::SetSpeed(double speed) {
  Lock lock(mu_);
  speed_ = std::isfinite(speed) && speed > 0 ? speed : 0.0;
}

double HarrowmeterModel::Speed() const {
  Lock lock(mu_);
  return speed_;
}

void HarrowmeterModel::Idle() {
  Lock lock(mu_);
  if (!pacingClock_) return;
  const std::uint64_t now = pacingClock_->TickMs();
  // A stall (a stopped process, a suspended machine) is not caught up beyond ten seconds.
  const std::uint64_t real = std::min<std::uint64_t>(now - lastRealMs_, 10000);
  lastRealMs_ = now;
  const double sim = static_cast<double>(real) * speed_ + carryMs_;
  const double whole = std::floor(sim);
  carryMs_ = sim - whole;
  if (whole > 0) AdvanceLocked(static_cast<std::uint64_t>(whole));
}

// ---- controls and inspection ------------------------------------------------------------------

void HarrowmeterModel::SetReading(int ch, std::int16_t raw) {
  Lock lock(mu_);
  if (ch >= 0 && ch < hm::kChannels) held_[ch] = raw;
}

void HarrowmeterModel::ReleaseReading(int ch) {
  Lock lock(mu_);
  if (ch >= 0 && ch < hm::kChannels) held_[ch].reset();
}

void HarrowmeterModel::SetDigitalInput(bool active) {
  Lock lock(mu_);
  AdvanceLocked(0);
  if (active == digitalInput_) return;
  digitalInput_ = active;
  if (active) {
    if (enabled_ && !running_ && StartMode() == hm::kStartByInput) StartRun();
  } else if (running_ && StopMode() == hm::kStopByInput) {
    EndRun(false);
  }
  AdvanceLocked(0);
}

bool HarrowmeterModel::DigitalInput() const {
  Lock lock(mu_);
  return digitalInput_;
}

void HarrowmeterModel::SetFault(std::uint16_t bit, bool on) {
  Lock lock(mu_);
  const std::uint16_t computed = hm::kStatusMemoryFull | hm::kStatusAcquired | hm::kStatusProgrammeDone;
  bit = static_cast<std::uint16_t>(bit & ~computed);
  faultStatus_ = static_cast<std::uint16_t>(on ? faultStatus_ | bit : faultStatus_ & ~bit);
}

void HarrowmeterModel::SetChannelStatus(int ch, std::uint8_t status) {
  Lock lock(mu_);
  if (ch >= 0 && ch < hm::kChannels) channelStatus_[ch] = status;
}

void HarrowmeterModel::SetCapacity(std::uint32_t words) {
  Lock lock(mu_);
  if (running_) EndRun(false);
  enabled_ = false;
  memory_.assign(std::min(words, kMaxCapacity), 0xFFFF);
  ResetMemory();
}

void HarrowmeterModel::SetRegisterRaw(std::uint16_t r, std::uint16_t value) {
  Lock lock(mu_);
  if (r >= hm::kBlockSize) return;
  regs_[r] = value;
  if (r == reg::kNetworkAddress && value >= 1 && value <= 247) address_ = static_cast<std::uint8_t>(value);
}

std::uint8_t HarrowmeterModel::Address() const {
  Lock lock(mu_);
  return address_;
}

std::uint16_t HarrowmeterModel::Register(std::uint16_t r) const {
  Lock lock(mu_);
  return r < hm::kBlockSize ? ReadOne(r) : 0;
}

std::vector<std::uint16_t> HarrowmeterModel::Memory() const {
  Lock lock(mu_);
  const std::uint64_t cap = memory_.size();
  const std::uint32_t n = StoredCount();
  const std::uint64_t head = totalWritten_ > cap ? totalWritten_ % cap : 0;
  std::vector<std::uint16_t> out(n);
  for (std::uint32_t i = 0; i < n; ++i) out[i] = memory_[(head + i) % cap];
  return out;
}

std::uint64_t HarrowmeterModel::TotalWritten() const {
  Lock lock(mu_);
  return totalWritten_;
}

bool HarrowmeterModel::Enabled() const {
  Lock lock(mu_);
  return enabled_;
}

bool HarrowmeterModel::Running() const {
  Lock lock(mu_);
  return running_;
}

platform::DateTime HarrowmeterModel::ClockNow() const {
  Lock lock(mu_);
  return static_cast<double>(ClockMs()) / kMsPerDay;
}

HarrowmeterSnapshot HarrowmeterModel::Snapshot(platform::DateTime computerNow) const {
  Lock lock(mu_);
  HarrowmeterSnapshot s;
  s.address = address_;
  s.regs = regs_;
  s.capacity = static_cast<std::uint32_t>(memory_.size());
  s.memory = memory_;
  s.totalWritten = totalWritten_;
  s.enabled = enabled_;
  s.running = running_;
  s.runTicks = runTicks_;
  s.countdowns = countdown_;
  s.msToNextTick = running_ ? static_cast<std::int64_t>(nextTickSim_) - static_cast<std::int64_t>(simMs_) : 0;
  s.clockOffsetMs = ClockMs() - static_cast<std::int64_t>(std::llround(computerNow * kMsPerDay));
  s.programmeDone = programmeDone_;
  s.digitalInput = digitalInput_;
  s.faultStatus = faultStatus_;
  s.channelStatus = channelStatus_;
  s.held = held_;
  return s;
}

void HarrowmeterModel::Restore(const HarrowmeterSnapshot& s, platform::DateTime computerNow) {
  Lock lock(mu_);
  address_ = s.address;
  regs_ = s.regs;
  regs_[reg::kNetworkAddress] = s.address;
  memory_ = s.memory;
  memory_.resize(std::min(s.capacity, kMaxCapacity), 0xFFFF);
  totalWritten_ = s.totalWritten;
  enabled_ = s.enabled;
  running_ = s.running && s.enabled;
  runTicks_ = s.runTicks;
  countdown_ = s.countdowns;
  for (auto& c : countdown_) c = std::max<std::uint16_t>(c, 1);
  nextTickSim_ = simMs_ + static_cast<std::uint64_t>(std::max<std::int64_t>(s.msToNextTick, 0));
  clockBaseMs_ = static_cast<std::int64_t>(std::llround(computerNow * kMsPerDay)) + s.clockOffsetMs -
                 static_cast<std::int64_t>(simMs_);
  clockRawDays_ = -1;
  programmeDone_ = s.programmeDone;
  digitalInput_ = s.digitalInput;
  faultStatus_ = s.faultStatus;
  channelStatus_ = s.channelStatus;
  held_ = s.held;
  pendingAddress_.reset();
  pendingBaud_.reset();
}

}  // namespace qg::sim
