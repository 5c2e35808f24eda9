#pragma once
// Profile (INI) files with the semantics of Windows private-profile files: section and key
// names compared without case, the first match wins, values trimmed, a missing key gives the
// default, writing keeps the other sections and keys in their order.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qg::platform {

class ProfileFile {
 public:
  ProfileFile() = default;
  // Reads a file; a missing file gives an empty profile. Texts are converted from
  // Windows-1252; `error` is set (and false returned) only when an existing file cannot be read.
  static ProfileFile Load(const std::filesystem::path& path);
  bool LoadFrom(const std::filesystem::path& path, std::string& error);
  static ProfileFile Parse(std::string_view cp1252Text);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view def) const;
  // The leading integer of the value (sign and digits), 0 when there is none; `def` when absent.
  long GetInt(std::string_view section, std::string_view key, long def) const;

  void SetString(std::string_view section, std::string_view key, std::string_view value);
  void SetInt(std::string_view section, std::string_view key, long value);
  void RemoveKey(std::string_view section, std::string_view key);
  void RemoveSection(std::string_view section);
  bool HasSection(std::string_view section) const;
  std::vector<std::string> Keys(std::string_view section) const;

  // The text of the file in Windows-1252, CR LF line ends.
  std::string Serialize() const;
  // Writes a temporary file beside `path` and renames it over, so a crash never leaves half a file.
  bool Save(const std::filesystem::path& path, std::string& error) const;

 private:
  struct Entry {
    std::string key;    // empty for a line kept as it was (comment or other text)
    std::string value;  // or the raw line
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<std::string> preamble_;  // lines before the first section
  std::vector<Section> sections_;
};

}  // namespace qg::platform
