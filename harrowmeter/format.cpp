#include "harrowmeter/format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "harrowmeter/input_types.h"

namespace qg::harrowmeter {

std::string FormatFixed(std::int32_t value, int decimals) {
  decimals = std::clamp(decimals, 0, 3);
  if (decimals == 0) return std::to_string(value);
  static constexpr std::int64_t kPow[] = {1, 10, 100, 1000};
  const std::int64_t m = kPow[decimals];
  const std::int64_t v = value;
  const std::int64_t whole = v / m;  // truncates toward zero
  const std::int64_t frac = std::llabs(v % m);
  char buf[40];
  if (v < 0 && v > -m) {
    std::snprintf(buf, sizeof buf, "-0.%0*lld", decimals, static_cast<long long>(frac));
  } else {
    std::snprintf(buf, sizeof buf, "%lld.%0*lld", static_cast<long long>(whole), decimals,
                  static_cast<long long>(frac));
  }
  return buf;
}

std::optional<std::int32_t> ReadPlainInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(v);
}

std::optional<std::int32_t> ReadFixed(std::string_view text, int decimals) {
  decimals = std::clamp(decimals, 0, 3);
  if (text.empty() || text == "-") return 0;
  std::size_t sep = text.find(',');
  if (sep == std::string_view::npos) sep = text.find('.');
  std::string digits;
  if (sep == std::string_view::npos) {
    digits.assign(text);
    digits.append(static_cast<std::size_t>(decimals), '0');
  } else {
    digits.assign(text.substr(0, sep));
    std::string frac(text.substr(sep + 1));
    frac.resize(static_cast<std::size_t>(decimals), '0');
    digits += frac;
  }
  return ReadPlainInteger(digits);
}

std::optional<std::int32_t> ReadChannelNumber(std::string_view text, int inputType, int decimalPoint) {
  if (IsPt100Type(inputType) || IsLinearType(inputType))
    return ReadFixed(text, DecimalsOf(inputType, decimalPoint));
  if (text.empty() || text == "-") return 0;
  return ReadPlainInteger(text);
}

std::string FormatChannelNumber(std::int32_t value, int inputType, int decimalPoint) {
  return FormatFixed(value, DecimalsOf(inputType, decimalPoint));
}

std::string FormatSerialNumber(std::uint32_t serial) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08u", static_cast<unsigned>(serial));
  return buf;
}

std::string FormatFirmware(std::int32_t firmware) {
  char buf[24];
  const std::int32_t a = firmware < 0 ? -firmware : firmware;
  std::snprintf(buf, sizeof buf, "%s%d.%02d", firmware < 0 ? "-" : "", a / 100, a % 100);
  return buf;
}

}  // namespace qg::harrowmeter
