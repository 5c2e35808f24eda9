#include <map>
#include <ostream>

#include "cli/cmd_plugins.h"
#include "cli/commands.h"

#ifndef QG_VERSION
#define QG_VERSION "0"
#endif

namespace qg::cli {
namespace {

using Command = int (*)(const Args&, std::ostream&, std::ostream&);

struct Entry {
  Command run;
  const char* summary;
};

const std::map<std::string, Entry>& Commands() {
  static const std::map<std::string, Entry> kCommands = {
      {"read", {CmdRead, "read holding registers (function 3)"}},
      {"write", {CmdWrite, "preset a single register (function 6)"}},
      {"memory", {CmdMemory, "read logger memory words (function 0x72)"}},
      {"info", {CmdInfo, "describe a history file"}},
      {"export", {CmdExport, "export a history file as text"}},
      {"csv", {CmdCsv, "convert a history file to CSV"}},
      {"plugins", {CmdPlugins, "list the device plug-ins, or describe one (--describe TYPE)"}},
      {"scan", {CmdScan, "run the device scan over the network of the settings file"}},
      {"collect", {CmdCollect, "collect a Harrowmeter's logged acquisitions into a history file"}},
  };
  return kCommands;
}

void Help(std::ostream& out) {
  out << "usage: quillgraph-cli COMMAND [options]\n\ncommands:\n";
  for (const auto& [name, e] : Commands()) out << "  " << name << std::string(10 - name.size(), ' ') << e.summary << "\n";
  out << "\n'quillgraph-cli COMMAND --help' shows a command's options.\n";
}

}  // namespace

int RunCli(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    Help(err);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    Help(out);
    return 0;
  }
  if (args[0] == "--version") {
    out << "quillgraph-cli " << QG_VERSION << "\n";
    return 0;
  }
  const auto it = Commands().find(args[0]);
  if (it == Commands().end()) {
    err << "quillgraph-cli: unknown command '" << args[0] << "'\n";
    Help(err);
    return 2;
  }
  return it->second.run(Args(args.begin() + 1, args.end()), out, err);
}

}  // namespace qg::cli
