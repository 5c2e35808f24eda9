#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace qg::cli {

// `quillgraph-cli plugins [--describe TYPE]`: the plug-ins beside the program, or every answer
// of one of them. `args` are the words after "plugins". Returns 0 done, 1 failure, 2 usage.
int CmdPlugins(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qg::cli
