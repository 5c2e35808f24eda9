#pragma once
// Where the programs find their companions and their settings.
#include <filesystem>

namespace qg::platform {

// The folder of the running executable: plug-ins and harrowcfg are looked up there, never in
// the current folder. Empty when the system cannot tell.
std::filesystem::path ExecutableDir();

// $XDG_CONFIG_HOME/quillgraph, or ~/.config/quillgraph. Not created here.
std::filesystem::path SettingsDir();

}  // namespace qg::platform
