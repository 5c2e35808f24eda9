#include "harrowmeter/registers.h"

namespace qg::harrowmeter {

std::optional<std::uint32_t> BaudOfCode(std::uint16_t code) {
  if (code < 5) return kBaudOfCode[code];
  return std::nullopt;
}

std::optional<std::uint16_t> CodeOfBaud(std::uint32_t baud) {
  for (std::uint16_t c = 0; c < 5; ++c)
    if (kBaudOfCode[c] == baud) return c;
  return std::nullopt;
}

}  // namespace qg::harrowmeter
