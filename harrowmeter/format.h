#pragma once
// Numbers as the programs show and read them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qg::harrowmeter {

// A raw value with d decimals (0..3; other values are taken as the nearest of them):
// FormatFixed(-5, 1) = "-0.5", FormatFixed(-1234, 2) = "-12.34", FormatFixed(7, 3) = "0.007".
std::string FormatFixed(std::int32_t value, int decimals);

// Reads a text typed with d decimals into a raw value: the first comma, else the first point, is
// the separator; the digits after it are cut or padded to d; without one, d zeros are appended.
// An empty text or a lone "-" reads as 0. Nothing when the rest is not a signed integer that fits
// 32 bits.
std::optional<std::int32_t> ReadFixed(std::string_view text, int decimals);

// A signed integer, optional sign and digits only; nothing otherwise.
std::optional<std::int32_t> ReadPlainInteger(std::string_view text);

// A number of a channel's page in the channel's encoding: Pt100 codes with one decimal, linear
// codes with the channel's decimal point, other temperatures as plain integers.
std::optional<std::int32_t> ReadChannelNumber(std::string_view text, int inputType, int decimalPoint);
std::string FormatChannelNumber(std::int32_t value, int inputType, int decimalPoint);

// The eight-digit serial number (00120345).
std::string FormatSerialNumber(std::uint32_t serial);
// Firmware version × 100 as "1.23".
std::string FormatFirmware(std::int32_t firmware);

}  // namespace qg::harrowmeter
