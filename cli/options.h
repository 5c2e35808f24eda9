#pragma once
// A small parser for "--name value" options and plain words.
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qg::cli {

class Options {
 public:
  // `valued` names take a value, `flags` take none. False (with `error`) on an unknown option
  // or a missing value.
  bool Parse(const std::vector<std::string>& args, const std::set<std::string>& valued,
             const std::set<std::string>& flags, std::string& error);

  bool Has(const std::string& name) const;
  std::optional<std::string> Value(const std::string& name) const;
  const std::vector<std::string>& Words() const { return words_; }

  // The option as an integer within [min, max]; nothing when absent; false on a bad value.
  bool Int(const std::string& name, long long min, long long max, std::optional<long long>& out,
           std::string& error) const;

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::set<std::string> flags_;
  std::vector<std::string> words_;
};

// A whole decimal (or 0x-prefixed hexadecimal) integer, nothing else.
std::optional<long long> ParseInteger(const std::string& text);

}  // namespace qg::cli
