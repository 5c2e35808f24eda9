#pragma once
// Finding the companion program and the help file.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qg::shell {

inline constexpr const char* kConfiguratorProgram = "harrowcfg";

// The configurator: an executable regular file named `harrowcfg` in the program's folder, else
// in the first folder of `pathVariable` (a PATH value) that has one. Empty entries of PATH are
// skipped rather than taken as the current folder.
std::optional<std::filesystem::path> FindProgram(std::string_view name,
                                                 const std::filesystem::path& programDir,
                                                 std::string_view pathVariable);

inline constexpr const char* kHelpFileName = "Quillgr.html";

// The help file: in the start folder's help/ folder, else in the program's folder's help/.
std::optional<std::filesystem::path> FindHelpFile(const std::filesystem::path& startDir,
                                                  const std::filesystem::path& programDir);

}  // namespace qg::shell
