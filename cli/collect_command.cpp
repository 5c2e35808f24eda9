// quillgraph-cli collect: a Harrowmeter's logged acquisitions into a history file.
#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "collect/collect.h"
#include "history/history.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_port.h"
#include "plugins/plugin_host.h"
#include "serial/link.h"
#include "serial/link_errors.h"

namespace qg::cli {
namespace {

const char* const kUsage =
    "quillgraph-cli collect --port P [--baud B] --address A [options] OUT.hst\n"
    "  --port P       COM1..COM4 (mapped through [Ports] of the settings file) or a device path\n"
    "  --baud B       baud rate (default 9600)\n"
    "  --address A    the Harrowmeter's address\n"
    "  --timeout MS   extra read time-out in milliseconds (default 50)\n"
    "  --settings F   settings file (default ~/.config/quillgraph/Quillgraph.ini)\n";

int Usage(std::ostream& to, const std::string& problem) {
  if (!problem.empty()) to << "quillgraph-cli: " << problem << "\n";
  to << "usage: " << kUsage;
  return 2;
}

// The stages on their own lines and a bar that redraws in place.
class ProgressBar {
 public:
  explicit ProgressBar(std::ostream& err) : err_(err) {}
  void operator()(const collect::ProgressState& s) {
    if (!s.visible) {
      if (drawn_) err_ << "\n";
      drawn_ = false;
      return;
    }
    if (s.label != label_) {
      if (drawn_) err_ << "\n";
      label_ = s.label;
      err_ << s.caption << ": " << s.label << "\n";
    }
    constexpr int kWidth = 40;
    const int filled = s.bar * kWidth / 100;
    err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << s.bar << "%"
         << std::flush;
    drawn_ = true;
  }

 private:
  std::ostream& err_;
  std::string label_;
  bool drawn_ = false;
};

}  // namespace

int CmdCollect(const Args& args, std::ostream& out, std::ostream& err) {
  Options opts;
  std::string problem;
  if (!opts.Parse(args, {"port", "baud", "address", "timeout", "settings"}, {"help"}, problem))
    return Usage(err, problem);
  if (opts.Has("help")) {
    out << "usage: " << kUsage;
    return 0;
  }
  if (opts.Words().size() != 1) return Usage(err, "one output file is required");
  const std::string file = opts.Words()[0];
  if (!opts.Value("port")) return Usage(err, "--port is required");
  const std::string port = *opts.Value("port");
  std::optional<long long> baud, address, timeout;
  if (!opts.Int("baud", 1, 65535, baud, problem) || !opts.Int("address", 0, 255, address, problem) ||
      !opts.Int("timeout", 0, 65535, timeout, problem))
    return Usage(err, problem);
  if (!address) return Usage(err, "--address is required");

  const auto settings = opts.Value("settings").value_or(
      (platform::SettingsDir() / "Quillgraph.ini").string());
  platform::PortMap ports = platform::PortMap::FromProfile(platform::ProfileFile::Load(settings));
  int number = 0;
  if (!platform::ParseComName(port, number)) {
    number = 1;  // a device path is carried as COM1 of a map of our own
    ports.Set(1, port);
  }
  platform::SystemClock clock;
  serial::Link link(serial::LinkVariant::Quillgraph, ports, clock);
  link.Par().timeout = static_cast<std::int32_t>(timeout.value_or(50));
  if (number > 127 || !link.DDM_OpenDriver(static_cast<std::uint8_t>(number),
                                           static_cast<std::uint16_t>(baud.value_or(9600)))) {
    err << "quillgraph-cli: cannot open port " << port << ": "
        << (link.OpenError().empty() ? "no such port" : link.OpenError()) << "\n";
    return 1;
  }

  // The configuration is read with the function the Harrowmeter's plug-in names; without the
  // plug-in beside the program, the instrument's own function 3.
  plugins::PluginHost host(platform::ExecutableDir());
  const std::int32_t function = host.DV_GetCommandType("Harrowmeter", 0);
  const collect::CollectRequest request{
      "Harrowmeter " + std::to_string(*address), "Harrowmeter", static_cast<std::uint8_t>(*address),
      static_cast<std::uint16_t>(function >= 1 && function <= 127 ? function : 3)};
  ProgressBar bar(err);
  const collect::CollectOutcome outcome =
      collect::Collect(request, link, clock, [&](const collect::ProgressState& s) { bar(s); });
  link.DDM_CloseDriver();
  if (outcome.result != collect::kCollectOk) {
    err << collect::CollectResultText(outcome.result) << "\n";
    if (outcome.data.ErrorCode != 0)
      err << "Erro: " << serial::QuillgraphLinkErrorText(outcome.data.ErrorCode) << "\n";
    return 1;
  }
  std::string error;
  if (!history::SaveGraph(file, outcome.data, &error)) {
    err << "quillgraph-cli: cannot write " << file << ": " << error << "\n";
    return 1;
  }
  const devices::CDevice& d = outcome.data;
  std::uint32_t samples = 0;
  for (auto c : d.Counts) samples = std::max(samples, c);
  out << file << ": " << static_cast<int>(d.ChannelCount) << " channels, " << samples
      << " entries per channel, " << platform::FormatDateTime(d.FirstAcquisition) << " to "
      << platform::FormatDateTime(d.LastAcquisition) << "\n";
  return 0;
}

}  // namespace qg::cli
