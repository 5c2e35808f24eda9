#include "platform/paths.h"

#include <cstdlib>
#include <system_error>

namespace qg::platform {

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  // Unknown rather than the current folder: code is never loaded from where the user happens to be.
  if (ec) return {};
  return exe.parent_path();
}

std::filesystem::path SettingsDir() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/')
    return std::filesystem::path(xdg) / "quillgraph";
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return std::filesystem::path(home) / ".config" / "quillgraph";
  return std::filesystem::path(".config") / "quillgraph";
}

}  // namespace qg::platform
