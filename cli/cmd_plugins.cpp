#include "cli/cmd_plugins.h"

#include "platform/paths.h"
#include "plugins/plugins_command.h"

namespace qg::cli {

int CmdPlugins(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return plugins::RunPluginsCommand(args, platform::ExecutableDir(), out, err);
}

}  // namespace qg::cli
