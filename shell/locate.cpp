#include "shell/locate.h"

#include <unistd.h>

#include <system_error>

namespace qg::shell {
namespace {

bool IsExecutableFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::filesystem::path> FindProgram(std::string_view name,
                                                 const std::filesystem::path& programDir,
                                                 std::string_view pathVariable) {
  if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
  if (!programDir.empty() && IsExecutableFile(programDir / name)) return programDir / name;
  while (!pathVariable.empty()) {
    const auto colon = pathVariable.find(':');
    const std::string_view entry = pathVariable.substr(0, colon);
    pathVariable = colon == std::string_view::npos ? std::string_view{}
                                                   : pathVariable.substr(colon + 1);
    if (entry.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(entry) / name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> FindHelpFile(const std::filesystem::path& startDir,
                                                  const std::filesystem::path& programDir) {
  for (const auto& dir : {startDir, programDir}) {
    if (dir.empty()) continue;
    const auto candidate = dir / "help" / kHelpFileName;
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

}  // namespace qg::shell
