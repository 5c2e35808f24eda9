#pragma once
// `quillgraph-cli plugins`: the plug-ins of a folder, and every answer of one of them as the
// host sees it. A tool for plug-in authors.
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/plugin_host.h"

namespace qg::plugins {

// Every wrapper's answer for `type`, one per line, with the host's verdict where it refuses one.
void DescribePlugin(PluginHost& host, std::string_view type, std::ostream& out);

// args are the words after "plugins": none (list), or "--describe TYPE".
// Returns 0 done, 1 failure (library that cannot be loaded), 2 usage.
int RunPluginsCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                      std::ostream& out, std::ostream& err);

}  // namespace qg::plugins
