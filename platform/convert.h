#pragma once
// Text to number as the toolkit converts it, and the message it gives when it cannot.
#include <optional>
#include <string>
#include <string_view>

namespace qg::platform {

// A decimal integer with an optional sign, blanks around it allowed; nothing when the text is
// not one or does not fit 32 bits.
std::optional<long> StrToInt(std::string_view text);

// The message shown when a text does not convert to a number.
std::string ConversionErrorText(std::string_view text);

}  // namespace qg::platform
