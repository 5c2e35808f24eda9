#include "platform/paths.h"

#include <cstdlib>
#include <system_error>

namespace qg::platform {

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
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
