#include "cli/options.h"

#include <cerrno>
#include <cstdlib>

namespace qg::cli {

std::optional<long long> ParseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || end == nullptr || *end != '\0' || end == text.c_str()) return std::nullopt;
  return v;
}

bool Options::Parse(const std::vector<std::string>& args, const std::set<std::string>& valued,
                    const std::set<std::string>& flags, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string name = a.substr(2);
      std::optional<std::string> inline_value;
      if (const auto eq = name.find('='); eq != std::string::npos) {
        inline_value = name.substr(eq + 1);
        name.resize(eq);
      }
      if (valued.count(name) != 0) {
        if (!inline_value) {
          if (i + 1 >= args.size()) {
            error = "option --" + name + " needs a value";
            return false;
          }
          inline_value = args[++i];
        }
        values_.emplace_back(name, *inline_value);
      } else if (flags.count(name) != 0 && !inline_value) {
        flags_.insert(name);
      } else {
        error = "unknown option --" + name;
        return false;
      }
    } else {
      words_.push_back(a);
    }
  }
  return true;
}

bool Options::Has(const std::string& name) const {
  return flags_.count(name) != 0 || Value(name).has_value();
}

std::optional<std::string> Options::Value(const std::string& name) const {
  // The last occurrence wins, as users expect when they repeat an option.
  for (auto it = values_.rbegin(); it != values_.rend(); ++it)
    if (it->first == name) return it->second;
  return std::nullopt;
}

bool Options::Int(const std::string& name, long long min, long long max,
                  std::optional<long long>& out, std::string& error) const {
  out.reset();
  const auto v = Value(name);
  if (!v) return true;
  const auto n = ParseInteger(*v);
  if (!n || *n < min || *n > max) {
    error = "--" + name + " takes a whole number from " + std::to_string(min) + " to " +
            std::to_string(max) + ", not \"" + *v + "\"";
    return false;
  }
  out = n;
  return true;
}

}  // namespace qg::cli
