#include "harrowmeter/input_types.h"

#include <algorithm>

namespace qg::harrowmeter {
namespace {

struct TypeRow {
  const char* textC;
  SensorRange rangeC;
  const char* textF;
  SensorRange rangeF;
};

// The texts and ranges do not agree for codes 8 and 17; the ranges decide every check.
constexpr TypeRow kTypes[kInputTypes] = {
    {"Termopar J   (-110°C a 760°C)", {-110, 760}, "Termopar J   (-166°F a 1400°F)", {-166, 1400}},
    {"Termopar K   (-150°C a 1370°C)", {-150, 1370}, "Termopar K   (-238°F a 2498°F)", {-238, 2498}},
    {"Termopar T   (-160°C a 400°C)", {-160, 400}, "Termopar T   (-256°F a 752°F)", {-256, 752}},
    {"Termopar E   (-90°C a 720°C)", {-90, 720}, "Termopar E   (-130°F a 1328°F)", {-130, 1328}},
    {"Termopar N   (-150°C a 1300°C)", {-150, 1300}, "Termopar N   (-238°F a 2372°F)", {-238, 2372}},
    {"Termopar R   (0°C a 1760°C)", {0, 1760}, "Termopar R   (32°F a 3200°F)", {32, 3200}},
    {"Termopar S   (0°C a 1760°C)", {0, 1760}, "Termopar S   (32°F a 3200°F)", {32, 3200}},
    {"Termopar B   (100°C a 1820°C)", {100, 1820}, "Termopar B   (212°F a 3308°F)", {212, 3308}},
    {"Pt100   (-200.0°C a 530.0°C)", {-1999, 5300}, "Pt100   (-328.0°F a 986.0°F)", {-3262, 9860}},
    {"4-20mA Lin. J   (-110°C a 760°C)", {-110, 760}, "4-20mA Lin. J   (-166°F a 1400°F)", {-166, 1400}},
    {"4-20mA Lin. K   (-150°C a 1370°C)", {-150, 1370}, "4-20mA Lin. K   (-238°F a 2498°F)", {-238, 2498}},
    {"4-20mA Lin. T   (-160°C a 400°C)", {-160, 400}, "4-20mA Lin. T   (-256°F a 752°F)", {-256, 752}},
    {"4-20mA Lin. E   (-90°C a 720°C)", {-90, 720}, "4-20mA Lin. E   (-130°F a 1328°F)", {-130, 1328}},
    {"4-20mA Lin. N   (-150°C a 1300°C)", {-150, 1300}, "4-20mA Lin. N   (-238°F a 2372°F)", {-238, 2372}},
    {"4-20mA Lin. R   (0°C a 1760°C)", {0, 1760}, "4-20mA Lin. R   (32°F a 3200°F)", {32, 3200}},
    {"4-20mA Lin. S   (0°C a 1760°C)", {0, 1760}, "4-20mA Lin. S   (32°F a 3200°F)", {32, 3200}},
    {"4-20mA Lin. B   (100°C a 1820°C)", {100, 1820}, "4-20mA Lin. B   (212°F a 3308°F)", {212, 3308}},
    {"4-20mA Lin. Pt100  (-200.0°C a 530.0°C)", {-2000, 5300},
     "4-20mA Lin. Pt100 (-328.0°F a 986.0°F)", {-3280, 9860}},
    {"Linear 4-20mA   (-1999 a 9999)", {-1999, 9999}, "Linear 4-20mA   (-1999 a 9999)", {-1999, 9999}},
    {"Linear 0-50mV   (-1999 a 9999)", {-1999, 9999}, "Linear 0-50mV   (-1999 a 9999)", {-1999, 9999}},
};

// Characters, not bytes: "°" takes two bytes in UTF-8.
std::size_t Utf8Length(const std::string& s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

bool IsValidInputType(int code) { return code >= 0 && code < kInputTypes; }
bool IsLinearType(int code) { return code == 18 || code == 19; }
bool IsPt100Type(int code) { return code == 8 || code == 17; }

ValueEncoding EncodingOf(int code) {
  if (IsPt100Type(code)) return ValueEncoding::TenthsOfDegree;
  if (IsLinearType(code)) return ValueEncoding::LinearCounts;
  return ValueEncoding::WholeDegrees;
}

SensorRange RangeOf(int code, bool unitF) {
  if (!IsValidInputType(code)) return {0, 0};
  return unitF ? kTypes[code].rangeF : kTypes[code].rangeC;
}

std::string InputTypeTextTrimmed(int code, bool unitF) {
  if (!IsValidInputType(code)) return {};
  return unitF ? kTypes[code].textF : kTypes[code].textC;
}

std::string InputTypeText(int code, bool unitF) {
  std::string s = InputTypeTextTrimmed(code, unitF);
  if (s.empty()) return s;
  const std::size_t n = Utf8Length(s);
  if (n < kListTextWidth) s.append(kListTextWidth - n, ' ');
  return s;
}

std::string InputTypeSlotText(int slot) {
  if (slot >= 0 && slot < 20) return InputTypeText(slot, false);
  if (slot >= 22 && slot < 42) return InputTypeText(slot - 22, true);
  if (slot == 20 || slot == 21 || slot == 42 || slot == 43) return "Reserva";
  return {};
}

int DecimalsOf(int code, int decimalPoint) {
  if (IsPt100Type(code)) return 1;
  if (IsLinearType(code)) return std::clamp(decimalPoint, 0, 3);
  return 0;
}

}  // namespace qg::harrowmeter
