#include "platform/convert.h"

namespace qg::platform {

std::optional<long> StrToInt(std::string_view text) {
  const auto b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return std::nullopt;
  const auto e = text.find_last_not_of(" \t");
  text = text.substr(b, e - b + 1);
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return std::nullopt;
  return static_cast<long>(v);
}

std::string ConversionErrorText(std::string_view text) {
  std::string message = "'";
  message.append(text).append("' não é um valor inteiro válido");
  return message;
}

}  // namespace qg::platform
