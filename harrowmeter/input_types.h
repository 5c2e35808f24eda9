#pragma once
// The input types of a channel: list texts, sensor ranges and value encodings.
#include <cstdint>
#include <string>

namespace qg::harrowmeter {

inline constexpr int kInputTypes = 20;
inline constexpr int kListTextWidth = 39;  // list texts are padded with blanks to this many characters

struct SensorRange {
  std::int16_t low;
  std::int16_t high;
};

enum class ValueEncoding { WholeDegrees, TenthsOfDegree, LinearCounts };

bool IsValidInputType(int code);
bool IsLinearType(int code);  // 18, 19
bool IsPt100Type(int code);   // 8, 17
ValueEncoding EncodingOf(int code);

// The sensor range of a type in °C (unitF false) or °F; a code outside 0..19 gives {0, 0}.
SensorRange RangeOf(int code, bool unitF);

// The list text of a type, padded to 39 characters (UTF-8); empty for a code outside 0..19.
std::string InputTypeText(int code, bool unitF);
// The same text without its padding.
std::string InputTypeTextTrimmed(int code, bool unitF);

// Message slots 0..43 of the configurator: the °C list, two "Reserva", the °F list, two "Reserva".
std::string InputTypeSlotText(int slot);

// Decimals of a channel's value encoding: 1 for Pt100 codes, the channel's decimal point for
// linear codes (0..3), else 0.
int DecimalsOf(int code, int decimalPoint);

}  // namespace qg::harrowmeter
