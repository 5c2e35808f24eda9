#include "sim/harrowmeter_state.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

namespace qg::sim {
namespace {

constexpr std::size_t kWordsPerLine = 16;
constexpr std::uintmax_t kMaxFileBytes = 64u << 20;  // a full memory of the largest capacity fits

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    if (j > i) out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

// Decimal, or hexadecimal after "0x".
std::optional<std::uint64_t> Unsigned(std::string_view t, std::uint64_t max, bool hexOnly = false) {
  unsigned base = 10;
  if (hexOnly) {
    base = 16;
  } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty() || t.size() > 20) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : t) {
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else return std::nullopt;
    if (d > max || v > (max - d) / base) return std::nullopt;
    v = v * base + d;
  }
  return v;
}

std::optional<std::int64_t> Signed(std::string_view t, std::int64_t min, std::int64_t max) {
  const bool negative = !t.empty() && t[0] == '-';
  if (negative) t.remove_prefix(1);
  const auto v = Unsigned(t, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()));
  if (!v) return std::nullopt;
  const std::int64_t s = negative ? -static_cast<std::int64_t>(*v) : static_cast<std::int64_t>(*v);
  if (s < min || s > max) return std::nullopt;
  return s;
}

}  // namespace

std::string FormatState(const std::vector<HarrowmeterSnapshot>& loggers) {
  std::ostringstream o;
  o << "# harrowsim state: the registers and memory of every simulated Harrowmeter\n";
  o << "harrowsim-state 1\n";
  char buf[32];
  for (const auto& s : loggers) {
    o << "\nlogger " << unsigned(s.address) << "\n";
    o << "capacity " << s.capacity << "\n";
    o << "total-written " << s.totalWritten << "\n";
    o << "enabled " << (s.enabled ? 1 : 0) << "\n";
    o << "running " << (s.running ? 1 : 0) << "\n";
    o << "run-ticks " << s.runTicks << "\n";
    o << "next-tick-ms " << s.msToNextTick << "\n";
    o << "countdowns";
    for (auto c : s.countdowns) o << ' ' << c;
    o << "\nclock-offset-ms " << s.clockOffsetMs << "\n";
    o << "programme-done " << (s.programmeDone ? 1 : 0) << "\n";
    o << "digital-input " << (s.digitalInput ? 1 : 0) << "\n";
    std::snprintf(buf, sizeof buf, "0x%04x", s.faultStatus);
    o << "fault-status " << buf << "\n";
    o << "channel-status";
    for (auto c : s.channelStatus) o << ' ' << unsigned(c);
    o << "\nheld";
    for (const auto& h : s.held) {
      if (h) o << ' ' << *h;
      else o << " -";
    }
    o << "\n";
    for (std::size_t r = 0; r < s.regs.size(); ++r) {
      std::snprintf(buf, sizeof buf, "0x%04x", s.regs[r]);
      o << "reg " << r << ' ' << buf << "\n";
    }
    for (std::size_t a = 0; a < s.memory.size(); a += kWordsPerLine) {
      const std::size_t n = std::min(kWordsPerLine, s.memory.size() - a);
      bool erased = true;
      for (std::size_t k = 0; k < n; ++k) erased = erased && s.memory[a + k] == 0xFFFF;
      if (erased) continue;
      o << "mem " << a;
      for (std::size_t k = 0; k < n; ++k) {
        std::snprintf(buf, sizeof buf, " %04x", s.memory[a + k]);
        o << buf;
      }
      o << "\n";
    }
    o << "end\n";
  }
  return o.str();
}

bool ParseState(std::string_view text, std::vector<HarrowmeterSnapshot>& loggers, std::string& error) {
  loggers.clear();
  std::size_t lineNo = 0;
  bool header = false;
  bool inLogger = false;
  bool haveCapacity = false;
  std::size_t loggerLine = 0;
  std::set<unsigned> addresses;
  HarrowmeterSnapshot cur;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const std::size_t eol = text.find('\n', pos);
    std::string_view line = text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
    pos = eol == std::string_view::npos ? text.size() + 1 : eol + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto t = Split(line);
    if (t.empty() || t[0][0] == '#') continue;
    const std::string_view key = t[0];
    if (!header) {
      if (key != "harrowsim-state" || t.size() != 2) return fail("not a harrowsim state file");
      if (t[1] != "1") return fail("unknown state file version " + std::string(t[1]));
      header = true;
      continue;
    }
    auto need = [&](std::size_t n) { return t.size() == n; };
    if (!inLogger) {
      if (key != "logger" || !need(2)) return fail("expected \"logger ADDRESS\"");
      const auto a = Unsigned(t[1], 247);
      if (!a || *a < 1) return fail("address must be 1 to 247");
      if (!addresses.insert(static_cast<unsigned>(*a)).second)
        return fail("address " + std::to_string(*a) + " appears twice");
      cur = HarrowmeterSnapshot{};
      cur.address = static_cast<std::uint8_t>(*a);
      cur.countdowns.fill(1);
      inLogger = true;
      haveCapacity = false;
      loggerLine = lineNo;
      continue;
    }
    if (key == "end") {
      if (!need(1)) return fail("\"end\" takes nothing");
      if (!haveCapacity) return fail("logger without \"capacity\"");
      if (cur.memory.size() != cur.capacity) cur.memory.resize(cur.capacity, 0xFFFF);
      loggers.push_back(cur);
      inLogger = false;
      continue;
    }
    auto flag = [&](bool& out) {
      if (!need(2) || (t[1] != "0" && t[1] != "1")) return fail(std::string(key) + " must be 0 or 1");
      out = t[1] == "1";
      return true;
    };
    if (key == "capacity") {
      const auto v = need(2) ? Unsigned(t[1], HarrowmeterModel::kMaxCapacity) : std::nullopt;
      if (!v) return fail("capacity must be 0 to " + std::to_string(HarrowmeterModel::kMaxCapacity));
      if (haveCapacity) return fail("capacity given twice");
      cur.capacity = static_cast<std::uint32_t>(*v);
      cur.memory.assign(cur.capacity, 0xFFFF);
      haveCapacity = true;
    } else if (key == "total-written") {
      const auto v = need(2) ? Unsigned(t[1], 0xFFFFFFFFu) : std::nullopt;
      if (!v) return fail("total-written must be a count below 2^32");
      cur.totalWritten = *v;
    } else if (key == "enabled") {
      if (!flag(cur.enabled)) return false;
    } else if (key == "running") {
      if (!flag(cur.running)) return false;
    } else if (key == "programme-done") {
      if (!flag(cur.programmeDone)) return false;
    } else if (key == "digital-input") {
      if (!flag(cur.digitalInput)) return false;
    } else if (key == "run-ticks") {
      const auto v = need(2) ? Unsigned(t[1], std::numeric_limits<std::uint64_t>::max()) : std::nullopt;
      if (!v) return fail("run-ticks must be a count");
      cur.runTicks = *v;
    } else if (key == "next-tick-ms") {
      const auto v = need(2) ? Signed(t[1], 0, 90'000'000) : std::nullopt;
      if (!v) return fail("next-tick-ms must be 0 to 90000000");
      cur.msToNextTick = *v;
    } else if (key == "clock-offset-ms") {
      const auto v = need(2) ? Signed(t[1], -(1LL << 50), 1LL << 50) : std::nullopt;
      if (!v) return fail("clock-offset-ms must be a number of milliseconds");
      cur.clockOffsetMs = *v;
    } else if (key == "countdowns") {
      if (!need(9)) return fail("countdowns takes 8 numbers");
      for (int k = 0; k < 8; ++k) {
        const auto v = Unsigned(t[1 + k], 255);
        if (!v || *v < 1) return fail("a countdown must be 1 to 255");
        cur.countdowns[k] = static_cast<std::uint16_t>(*v);
      }
    } else if (key == "fault-status") {
      const auto v = need(2) ? Unsigned(t[1], 0xFFFF) : std::nullopt;
      if (!v) return fail("fault-status must be a 16-bit value");
      cur.faultStatus = static_cast<std::uint16_t>(*v);
    } else if (key == "channel-status") {
      if (!need(9)) return fail("channel-status takes 8 numbers");
      for (int k = 0; k < 8; ++k) {
        const auto v = Unsigned(t[1 + k], 255);
        if (!v) return fail("a channel status must be 0 to 255");
        cur.channelStatus[k] = static_cast<std::uint8_t>(*v);
      }
    } else if (key == "held") {
      if (!need(9)) return fail("held takes 8 readings or '-'");
      for (int k = 0; k < 8; ++k) {
        if (t[1 + k] == "-") {
          cur.held[k].reset();
          continue;
        }
        const auto v = Signed(t[1 + k], -32768, 32767);
        if (!v) return fail("a held reading must be -32768 to 32767 or '-'");
        cur.held[k] = static_cast<std::int16_t>(*v);
      }
    } else if (key == "reg") {
      if (!need(3)) return fail("expected \"reg NUMBER VALUE\"");
      const auto r = Unsigned(t[1], 200);
      if (!r) return fail("register must be 0 to 200");
      const auto v = Unsigned(t[2], 0xFFFF);
      if (!v) return fail("register value must be 0 to 65535");
      cur.regs[*r] = static_cast<std::uint16_t>(*v);
    } else if (key == "mem") {
      if (!haveCapacity) return fail("\"capacity\" must come before \"mem\"");
      if (t.size() < 3) return fail("expected \"mem ADDRESS WORD...\"");
      const auto a = Unsigned(t[1], cur.capacity);
      if (!a || *a + (t.size() - 2) > cur.capacity) return fail("memory words past the capacity");
      for (std::size_t k = 2; k < t.size(); ++k) {
        const auto w = t[k].size() <= 4 ? Unsigned(t[k], 0xFFFF, true) : std::nullopt;
        if (!w) return fail("memory word \"" + std::string(t[k]) + "\" is not 1 to 4 hexadecimal digits");
        cur.memory[*a + k - 2] = static_cast<std::uint16_t>(*w);
      }
    } else {
      return fail("unknown key \"" + std::string(key) + "\"");
    }
  }
  if (!header) {
    lineNo = 1;
    return fail("not a harrowsim state file");
  }
  if (inLogger) {
    lineNo = loggerLine;
    return fail("logger has no \"end\"");
  }
  if (loggers.empty()) return fail("no logger in the file");
  return true;
}

bool SaveStateFile(const std::filesystem::path& path, const std::vector<HarrowmeterSnapshot>& loggers,
                   std::string& error) {
  const std::filesystem::path tmp = path.string() + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f) {
      error = tmp.string() + ": cannot be written";
      return false;
    }
    f << FormatState(loggers);
    f.flush();
    if (!f) {
      error = tmp.string() + ": write failed";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    error = path.string() + ": " + ec.message();
    return false;
  }
  return true;
}

bool LoadStateFile(const std::filesystem::path& path, std::vector<HarrowmeterSnapshot>& loggers,
                   std::string& error) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = path.string() + ": " + ec.message();
    return false;
  }
  if (size > kMaxFileBytes) {
    error = path.string() + ": too large for a state file";
    return false;
  }
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = path.string() + ": cannot be read";
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::string why;
  if (!ParseState(text, loggers, why)) {
    error = path.string() + ": " + why;
    return false;
  }
  return true;
}

}  // namespace qg::sim
