#pragma once
// Language files: a Windows-1252 text file whose line n replaces the built-in text of a fixed
// place of the interface. Read once at start-up; every window applies it when it is created.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qg::shell {

inline constexpr const char* kLanguageFileName = "LANGUAGE.TRL";
inline constexpr int kLastLanguageLine = 248;
// A language file is a few kilobytes; anything far larger is not one and is not read.
inline constexpr std::uintmax_t kLanguageFileMaxBytes = 1u << 20;

class LanguageFile {
 public:
  LanguageFile() = default;

  // Lines ended by CR, LF or CR LF, converted to UTF-8. A NUL ends the text of its line. A last
  // line without an end counts; a final line end does not start another line.
  static LanguageFile Parse(std::string_view cp1252);
  // The first candidate that is a regular file of sensible size and can be read. None: a file
  // that is not loaded, and the built-in texts stay.
  static LanguageFile Load(const std::vector<std::filesystem::path>& candidates);

  bool Loaded() const { return loaded_; }
  const std::filesystem::path& Path() const { return path_; }
  std::size_t LineCount() const { return lines_.size(); }
  // Line n, or nullptr when the file is not loaded or is shorter.
  const std::string* Line(int n) const;

  // `target` becomes line n followed by `suffix`; a line the file lacks keeps `target`.
  void Apply(int n, std::string& target, std::string_view suffix = {}) const;

 private:
  bool loaded_ = false;
  std::filesystem::path path_;
  std::vector<std::string> lines_;
};

// Where LANGUAGE.TRL is looked for: the current folder first, then the settings folder.
std::vector<std::filesystem::path> LanguageCandidates(const std::filesystem::path& currentDir,
                                                      const std::filesystem::path& settingsDir);

// The built-in text of each line 0..248 as the line itself holds it (a place that adds a suffix
// such as ":" adds it to this); empty for the numbers no place reads and outside 0..248.
const std::string& BuiltInLine(int n);
bool IsUnusedLine(int n);

}  // namespace qg::shell
