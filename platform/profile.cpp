#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/cp1252.h"

namespace qg::platform {
namespace {

// Settings and monitor files are small; anything larger is not one of ours.
constexpr std::uintmax_t kMaxProfileBytes = 16u << 20;

std::string_view Trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// A value in matching single or double quotes loses them, as the profile functions do.
std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

}  // namespace

ProfileFile ProfileFile::Parse(std::string_view cp1252Text) {
  ProfileFile p;
  const std::string text = Cp1252ToUtf8(cp1252Text);
  Section* current = nullptr;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;

    const std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '[') {
      const auto close = t.find(']');
      const std::string_view name =
          Trim(close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1));
      p.sections_.push_back(Section{std::string(name), {}});
      current = &p.sections_.back();
      continue;
    }
    const auto eq = t.find('=');
    if (current == nullptr) {
      p.preamble_.emplace_back(line);
    } else if (eq == std::string_view::npos || t.front() == ';' || Trim(t.substr(0, eq)).empty()) {
      current->entries.push_back(Entry{"", std::string(line)});
    } else {
      current->entries.push_back(
          Entry{std::string(Trim(t.substr(0, eq))), std::string(Trim(t.substr(eq + 1)))});
    }
  }
  return p;
}

bool ProfileFile::LoadFrom(const std::filesystem::path& path, std::string& error) {
  *this = ProfileFile();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = path.string() + ": " + ec.message();
    return false;
  }
  if (size > kMaxProfileBytes) {
    error = path.string() + ": too large for a settings file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path.string() + ": " + std::strerror(errno);
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  *this = Parse(ss.str());
  return true;
}

ProfileFile ProfileFile::Load(const std::filesystem::path& path) {
  ProfileFile p;
  std::string error;
  p.LoadFrom(path, error);
  return p;
}

ProfileFile::Section* ProfileFile::FindSection(std::string_view name) {
  for (auto& s : sections_)
    if (EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view name) const {
  for (const auto& s : sections_)
    if (EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

std::optional<std::string> ProfileFile::Get(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  for (const auto& e : s->entries)
    if (!e.key.empty() && EqualNoCase(e.key, key)) return Unquote(e.value);
  return std::nullopt;
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view def) const {
  auto v = Get(section, key);
  return v ? *v : std::string(def);
}

long ProfileFile::GetInt(std::string_view section, std::string_view key, long def) const {
  const auto v = Get(section, key);
  if (!v) return def;
  std::size_t i = 0;
  bool negative = false;
  if (i < v->size() && ((*v)[i] == '-' || (*v)[i] == '+')) negative = (*v)[i++] == '-';
  long result = 0;
  for (; i < v->size() && (*v)[i] >= '0' && (*v)[i] <= '9'; ++i) {
    if (result > 214748364L) break;  // stays within 32 bits, as the profile functions do
    result = result * 10 + ((*v)[i] - '0');
  }
  return negative ? -result : result;
}

void ProfileFile::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back(Section{std::string(section), {}});
    s = &sections_.back();
  }
  for (auto& e : s->entries) {
    if (!e.key.empty() && EqualNoCase(e.key, key)) {
      e.value = std::string(value);
      return;
    }
  }
  // New keys go after the last key of the section, ahead of the blank lines that part sections.
  auto at = s->entries.end();
  while (at != s->entries.begin() && (at - 1)->key.empty() && Trim((at - 1)->value).empty()) --at;
  s->entries.insert(at, Entry{std::string(key), std::string(value)});
}

void ProfileFile::SetInt(std::string_view section, std::string_view key, long value) {
  SetString(section, key, std::to_string(value));
}

void ProfileFile::RemoveKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (s == nullptr) return;
  for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
    if (!it->key.empty() && EqualNoCase(it->key, key)) {
      s->entries.erase(it);
      return;
    }
  }
}

void ProfileFile::RemoveSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (EqualNoCase(it->name, section)) {
      sections_.erase(it);
      return;
    }
  }
}

bool ProfileFile::HasSection(std::string_view section) const {
  return FindSection(section) != nullptr;
}

std::vector<std::string> ProfileFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section))
    for (const auto& e : s->entries)
      if (!e.key.empty()) keys.push_back(e.key);
  return keys;
}

std::string ProfileFile::Serialize() const {
  std::string out;
  for (const auto& line : preamble_) out += line + "\r\n";
  for (const auto& s : sections_) {
    out += "[" + s.name + "]\r\n";
    for (const auto& e : s.entries)
      out += e.key.empty() ? e.value + "\r\n" : e.key + "=" + e.value + "\r\n";
  }
  return Utf8ToCp1252(out);
}

bool ProfileFile::Save(const std::filesystem::path& path, std::string& error) const {
  const std::string bytes = Serialize();
  std::string tmpl = (path.has_parent_path() ? path.parent_path() / "" : std::filesystem::path())
                         .string() +
                     "." + path.filename().string() + ".XXXXXX";
  const int fd = mkstemp(tmpl.data());
  if (fd < 0) {
    error = path.string() + ": " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = path.string() + ": " + std::strerror(errno);
      ::close(fd);
      ::unlink(tmpl.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  ::fchmod(fd, 0644);
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    error = path.string() + ": " + std::strerror(errno);
    ::unlink(tmpl.c_str());
    return false;
  }
  if (std::rename(tmpl.c_str(), path.c_str()) != 0) {
    error = path.string() + ": " + std::strerror(errno);
    ::unlink(tmpl.c_str());
    return false;
  }
  return true;
}

}  // namespace qg::platform
