#include "plugins/plugins_command.h"

#include <cstdint>

namespace qg::plugins {
namespace {

constexpr int32_t kInputTypesShown = 32;

void Quoted(std::ostream& out, const std::string& text) {
  out << '"';
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (b < 0x20 || b == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out << "\\x" << kHex[b >> 4] << kHex[b & 0xF];
    } else {
      out << c;
    }
  }
  out << '"';
}

void Text(std::ostream& out, TextStatus status, const std::string& text) {
  switch (status) {
    case TextStatus::kNoLibrary:
      out << "(library missing)";
      return;
    case TextStatus::kNoExport:
      out << "(not exported)";
      return;
    case TextStatus::kWritten:
      Quoted(out, text);
      return;
    case TextStatus::kCut:
      Quoted(out, text);
      out << "... (longer than " << kNameMax << " characters: refused)";
      return;
  }
}

void Integer(std::ostream& out, PluginHost& host, std::string_view type, const char* exportName,
             int32_t value) {
  if (!host.HasExport(type, exportName))
    out << "(not exported, taken as -1)";
  else
    out << value;
}

const char* Usage() { return "usage: quillgraph-cli plugins [--describe TYPE]\n"; }

}  // namespace

void DescribePlugin(PluginHost& host, std::string_view type, std::ostream& out) {
  out << "type: " << type << '\n';
  out << "library: " << host.LibraryPath(type).string() << '\n';

  out << "DV_IsQuillgraphDLL: ";
  Integer(out, host, type, "DV_IsQuillgraphDLL", host.DV_IsQuillgraphDLL(type));
  out << '\n';

  const int32_t function = host.DV_GetCommandType(type, 0);
  out << "DV_GetCommandType(0): ";
  Integer(out, host, type, "DV_GetCommandType", function);
  out << '\n';
  out << "DV_GetInitReg: ";
  Integer(out, host, type, "DV_GetInitReg", host.DV_GetInitReg(type));
  out << '\n';

  const int32_t count = host.DV_GetDeviceChannelsNumber(type);
  out << "DV_GetDeviceChannelsNumber: ";
  Integer(out, host, type, "DV_GetDeviceChannelsNumber", count);
  if (!IsValidCount(count)) out << " (outside 0.." << kMaxParameters << ": refused)";
  out << '\n';

  std::string text;
  out << "DV_GetDeviceParam(0): ";
  Text(out, host.DV_GetDeviceParam(type, 0, text), text);
  out << '\n';

  const bool hasDecPointPar = host.HasExport(type, "DV_GetDecPointPar");
  if (IsValidCount(count)) {
    for (int32_t k = 1; k <= count; ++k) {
      std::string name;
      const TextStatus status = host.DV_GetDeviceParam(type, k, name);
      out << "parameter " << k << ": ";
      Text(out, status, name);
      if (status == TextStatus::kWritten) {
        const int32_t offset = host.DV_GetOffSetReg(type, name);
        out << " offset ";
        Integer(out, host, type, "DV_GetOffSetReg", offset);
        if (!IsValidOffset(offset, count)) out << " (outside the block: refused)";
        if (hasDecPointPar) out << " decimals " << host.DV_GetDecPointPar(type, name);
      }
      out << '\n';
    }
  }

  const auto plan = MakePollPlan(host, type);
  out << "poll: ";
  if (plan && plan->count == 0)
    out << "function " << plan->function << ", nothing to read\n";
  else if (plan)
    out << "function " << plan->function << ", registers " << plan->firstRegister << " to "
        << plan->firstRegister + plan->count - 1 << " (" << plan->count << ")\n";
  else
    out << "refused, the device would not be polled\n";

  const bool hasDecPointType = host.HasExport(type, "DV_GetDecPointType");
  for (int32_t n = 0; n < kInputTypesShown; ++n) {
    std::string name;
    out << "input type " << n << ": ";
    Text(out, host.DV_GetInputType(type, n, name), name);
    if (hasDecPointType) out << " decimals " << host.DV_GetDecPointType(type, n);
    out << '\n';
  }

  if (!hasDecPointPar) out << "DV_GetDecPointPar: (not exported, taken as -1)\n";
  if (!hasDecPointType) out << "DV_GetDecPointType: (not exported, taken as -1)\n";
  out << "DV_GetInitDecPoint: ";
  Integer(out, host, type, "DV_GetInitDecPoint", host.DV_GetInitDecPoint(type));
  out << '\n';
  out << "DV_GetInitType: ";
  Integer(out, host, type, "DV_GetInitType", host.DV_GetInitType(type));
  out << '\n';
}

int RunPluginsCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                      std::ostream& out, std::ostream& err) {
  PluginHost host(folder);
  if (args.empty()) {
    const auto names = host.ListPlugins();
    for (const auto& name : names) out << name << '\n';
    if (names.empty()) err << "no plug-ins in " << host.Folder().string() << '\n';
    return 0;
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << Usage();
    return 0;
  }
  if (args.size() != 2 || args[0] != "--describe") {
    err << Usage();
    return 2;
  }
  const std::string& type = args[1];
  if (const std::string failure = host.LoadFailure(type); !failure.empty()) {
    err << "plugins: " << type << ": " << failure << '\n';
    return 1;
  }
  DescribePlugin(host, type, out);
  return 0;
}

}  // namespace qg::plugins
