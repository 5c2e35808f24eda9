#include "sim/harrowmeter_control.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>

#include "harrowmeter/format.h"
#include "harrowmeter/registers.h"
#include "harrowmeter/status_texts.h"
#include "platform/datetime.h"

namespace qg::sim {
namespace {

namespace hm = qg::harrowmeter;

std::vector<std::string> Words(std::string_view s) {
  std::vector<std::string> out;
  std::istringstream in{std::string(s)};
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

std::optional<long> Number(const std::string& s, long min, long max) {
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v < min || v > max) return std::nullopt;
  return v;
}

std::optional<bool> OnOff(const std::string& s) {
  if (s == "on" || s == "1") return true;
  if (s == "off" || s == "0") return false;
  return std::nullopt;
}

SimControl::Result Bad(std::string why) { return {false, "error: " + why, false}; }

std::string Hex(unsigned v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%04x", v);
  return b;
}

}  // namespace

SimControl::SimControl(std::vector<std::shared_ptr<HarrowmeterModel>> models, RtuSlave* line,
                       std::function<bool(std::string&)> save)
    : models_(std::move(models)), line_(line), save_(std::move(save)) {}

std::shared_ptr<HarrowmeterModel> SimControl::Find(std::string_view address) const {
  const auto a = Number(std::string(address), 1, 247);
  if (!a) return nullptr;
  for (const auto& m : models_)
    if (m->Address() == *a) return m;
  return nullptr;
}

std::string SimControl::Help() {
  return "commands (ADDR is a logger's address, CH a channel 1-8):\n"
         "  list                          the loggers, their state and stored counts\n"
         "  read ADDR REG [COUNT]         registers as the line reads them\n"
         "  write ADDR REG VALUE          a register write as from the line\n"
         "  memory ADDR [FROM [COUNT]]    stored words, oldest first\n"
         "  clock ADDR                    the logger's running clock\n"
         "  set ADDR CH VALUE             hold a channel's reading (raw, in its encoding)\n"
         "  auto ADDR CH                  let the reading move on its own again\n"
         "  input ADDR on|off             the digital input\n"
         "  fault ADDR clock|memory|autozero|autospan|coldjunction on|off\n"
         "  chstatus ADDR CH BYTE         a channel's status byte\n"
         "  capacity ADDR WORDS           memory size (clears the memory)\n"
         "  advance MS                    move simulated time on by MS for every logger\n"
         "  speed X                       simulated time runs X times real time (0 pauses)\n"
         "  line off|silent|echo|crc|timing|foreign A|exception C|delay MS   line faults\n"
         "  save                          write the state file now\n"
         "  quit                          save and end\n";
}

SimControl::Result SimControl::Execute(std::string_view command) {
  const auto w = Words(command);
  if (w.empty() || w[0][0] == '#') return {};
  const std::string& cmd = w[0];
  const std::size_t n = w.size();

  if (cmd == "help" || cmd == "?") return {true, Help(), false};
  if (cmd == "quit" || cmd == "exit") return {true, "bye", true};
  if (cmd == "list") {
    std::ostringstream o;
    for (const auto& m : models_) {
      const auto stored = hm::JoinCount32(m->Register(hm::reg::kStoredCountHigh), m->Register(hm::reg::kStoredCountLow));
      const auto cap = hm::JoinCount32(m->Register(hm::reg::kCapacityHigh), m->Register(hm::reg::kCapacityLow));
      o << "logger " << unsigned(m->Address()) << ": "
        << (m->Running() ? "acquiring" : m->Enabled() ? "waiting to start" : "stopped") << ", stored "
        << stored << " of " << cap << ", written " << m->TotalWritten() << ", input "
        << (m->DigitalInput() ? "on" : "off") << ", clock " << platform::FormatDateTime(m->ClockNow()) << "\n";
    }
    return {true, o.str(), false};
  }
  if (cmd == "advance") {
    const auto ms = n == 2 ? Number(w[1], 0, 100L * 24 * 3600 * 1000) : std::nullopt;
    if (!ms) return Bad("advance MS (0 to 100 days)");
    for (const auto& m : models_) m->Advance(static_cast<std::uint64_t>(*ms));
    return {true, "ok", false};
  }
  if (cmd == "speed") {
    double x = -1;
    if (n == 2) {
      char* end = nullptr;
      x = std::strtod(w[1].c_str(), &end);
      if (*end != '\0' || !std::isfinite(x)) x = -1;
    }
    if (x < 0 || x > 1e6) return Bad("speed X (0 to 1000000)");
    for (const auto& m : models_) m->SetSpeed(x);
    return {true, "speed " + std::to_string(x), false};
  }
  if (cmd == "save") {
    if (!save_) return Bad("no state file (start with --state FILE)");
    std::string err;
    if (!save_(err)) return Bad(err);
    return {true, "saved", false};
  }
  if (cmd == "line") {
    if (!line_) return Bad("no line");
    FaultModes f = line_->Faults();
    const std::string what = n >= 2 ? w[1] : "";
    if (what == "off" && n == 2) {
      const bool timing = f.lineTiming;
      f = FaultModes{};
      f.lineTiming = timing;
    } else if ((what == "silent" || what == "echo" || what == "crc" || what == "timing") && n <= 3) {
      const auto on = n == 3 ? OnOff(w[2]) : std::optional<bool>(true);
      if (!on) return Bad("line " + what + " [on|off]");
      (what == "silent" ? f.silent : what == "echo" ? f.echo : what == "crc" ? f.corruptCrc : f.lineTiming) = *on;
    } else if (what == "foreign" && n == 3) {
      const auto a = Number(w[2], -1, 255);
      if (!a) return Bad("line foreign ADDRESS (-1 for none)");
      f.foreignAddress = static_cast<int>(*a);
    } else if (what == "exception" && n == 3) {
      const auto c = Number(w[2], -1, 255);
      if (!c) return Bad("line exception CODE (-1 for none)");
      f.exception = static_cast<int>(*c);
    } else if (what == "delay" && n == 3) {
      const auto d = Number(w[2], 0, 60000);
      if (!d) return Bad("line delay MS (0 to 60000)");
      f.delayMs = static_cast<std::uint32_t>(*d);
    } else {
      return Bad("line off|silent|echo|crc|timing [on|off]|foreign A|exception C|delay MS");
    }
    line_->SetFaults(f);
    return {true, "ok", false};
  }

  // Every other command names a logger.
  if (n < 2) return Bad("unknown command \"" + cmd + "\" (try help)");
  const auto m = Find(w[1]);
  const bool known = cmd == "read" || cmd == "write" || cmd == "memory" || cmd == "clock" || cmd == "set" ||
                     cmd == "auto" || cmd == "input" || cmd == "fault" || cmd == "chstatus" || cmd == "capacity";
  if (!known) return Bad("unknown command \"" + cmd + "\" (try help)");
  if (!m) return Bad("no logger at address " + w[1]);

  if (cmd == "read") {
    const auto r = n >= 3 && n <= 4 ? Number(w[2], 0, 200) : std::nullopt;
    const auto c = n == 4 ? Number(w[3], 1, 201) : std::optional<long>(1);
    if (!r || !c || *r + *c > 201) return Bad("read ADDR REG [COUNT] inside registers 0 to 200");
    std::ostringstream o;
    for (long k = 0; k < *c; ++k) {
      const auto v = m->Register(static_cast<std::uint16_t>(*r + k));
      o << (*r + k) << " = " << v << " (" << Hex(v) << ")\n";
    }
    return {true, o.str(), false};
  }
  if (cmd == "write") {
    const auto r = n == 4 ? Number(w[2], 0, 65535) : std::nullopt;
    const auto v = n == 4 ? Number(w[3], -32768, 65535) : std::nullopt;
    if (!r || !v) return Bad("write ADDR REG VALUE");
    std::uint16_t echoed = 0;
    const auto ex = m->WriteRegister(static_cast<std::uint16_t>(*r), static_cast<std::uint16_t>(*v), echoed);
    if (ex != 0) return Bad("the logger answers exception " + std::to_string(ex));
    if (line_) m->AfterReply(m->Address(), *line_);
    return {true, "ok", false};
  }
  if (cmd == "memory") {
    const auto from = n >= 3 ? Number(w[2], 0, 1L << 30) : std::optional<long>(0);
    const auto count = n >= 4 ? Number(w[3], 1, 1L << 30) : std::optional<long>(64);
    if (!from || !count || n > 4) return Bad("memory ADDR [FROM [COUNT]]");
    const auto words = m->Memory();
    std::ostringstream o;
    o << words.size() << " words stored";
    for (long k = *from; k < *from + *count && k < static_cast<long>(words.size()); ++k) {
      if ((k - *from) % 8 == 0) o << "\n" << k << ":";
      o << ' ' << Hex(words[static_cast<std::size_t>(k)]);
    }
    return {true, o.str(), false};
  }
  if (cmd == "clock") return {true, platform::FormatDateTime(m->ClockNow()), false};
  if (cmd == "set" || cmd == "auto" || cmd == "chstatus") {
    const auto ch = n >= 3 ? Number(w[2], 1, 8) : std::nullopt;
    if (!ch) return Bad(cmd + " ADDR CH ... with CH 1 to 8");
    if (cmd == "auto") {
      if (n != 3) return Bad("auto ADDR CH");
      m->ReleaseReading(static_cast<int>(*ch - 1));
      return {true, "ok", false};
    }
    if (cmd == "set") {
      const auto v = n == 4 ? Number(w[3], -32768, 32767) : std::nullopt;
      if (!v) return Bad("set ADDR CH VALUE with VALUE -32768 to 32767");
      m->SetReading(static_cast<int>(*ch - 1), static_cast<std::int16_t>(*v));
      return {true, "ok", false};
    }
    const auto b = n == 4 ? Number(w[3], 0, 255) : std::nullopt;
    if (!b) return Bad("chstatus ADDR CH BYTE");
    m->SetChannelStatus(static_cast<int>(*ch - 1), static_cast<std::uint8_t>(*b));
    return {true, "ok", false};
  }
  if (cmd == "input") {
    const auto on = n == 3 ? OnOff(w[2]) : std::nullopt;
    if (!on) return Bad("input ADDR on|off");
    m->SetDigitalInput(*on);
    return {true, "ok", false};
  }
  if (cmd == "fault") {
    static const std::pair<const char*, std::uint16_t> kFaults[] = {
        {"clock", hm::kStatusClockMissing},         {"memory", hm::kStatusMemoryMissing},
        {"autozero", hm::kStatusAutoZeroError},     {"autospan", hm::kStatusAutoSpanError},
        {"coldjunction", hm::kStatusColdJunctionError},
    };
    const auto on = n == 4 ? OnOff(w[3]) : std::nullopt;
    std::uint16_t bit = 0;
    for (auto [name, b] : kFaults)
      if (n >= 3 && w[2] == name) bit = b;
    if (!on || bit == 0) return Bad("fault ADDR clock|memory|autozero|autospan|coldjunction on|off");
    m->SetFault(bit, *on);
    return {true, "ok", false};
  }
  // capacity
  const auto words = n == 3 ? Number(w[2], 0, HarrowmeterModel::kMaxCapacity) : std::nullopt;
  if (!words) return Bad("capacity ADDR WORDS (0 to " + std::to_string(HarrowmeterModel::kMaxCapacity) + ")");
  m->SetCapacity(static_cast<std::uint32_t>(*words));
  return {true, "ok", false};
}

}  // namespace qg::sim
