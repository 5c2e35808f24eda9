#include <chrono>
#include <cmath>
#include <ostream>
#include <thread>

#include "cli/commands.h"
#include "cli/options.h"
#include "devices/device.h"
#include "devices/network.h"
#include "devices/poller.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_port.h"
#include "plugins/plugin_host.h"
#include "serial/link.h"

namespace qg::cli {

int CmdScan(const Args& args, std::ostream& out, std::ostream& err) {
  const char* usage =
      "usage: quillgraph-cli scan [--settings FILE] [--ticks N] [--interval MS]\n"
      "  Runs the device scan over the network of the settings file, one tick a second,\n"
      "  and prints per tick the time, each device's label and raw values, and the status.\n"
      "  --ticks N      stop after N ticks (default: until interrupted)\n"
      "  --interval MS  milliseconds between ticks (default 1000)\n";
  Options opts;
  std::string problem;
  if (!opts.Parse(args, {"settings", "ticks", "interval"}, {"help"}, problem) ||
      !opts.Words().empty()) {
    err << "quillgraph-cli: " << (problem.empty() ? "unexpected argument" : problem) << "\n"
        << usage;
    return 2;
  }
  if (opts.Has("help")) {
    out << usage;
    return 0;
  }
  std::optional<long long> ticks, interval;
  if (!opts.Int("ticks", 1, 1LL << 40, ticks, problem) ||
      !opts.Int("interval", 0, 3600000, interval, problem)) {
    err << "quillgraph-cli: " << problem << "\n" << usage;
    return 2;
  }

  const std::string settingsPath =
      opts.Value("settings").value_or((platform::SettingsDir() / "Quillgraph.ini").string());
  platform::ProfileFile settings;
  if (!settings.LoadFrom(settingsPath, problem)) {
    err << "quillgraph-cli: " << problem << "\n";
    return 1;
  }
  const platform::PortMap ports = platform::PortMap::FromProfile(settings);
  platform::SystemClock clock;
  serial::Link link(serial::LinkVariant::Quillgraph, ports, clock);
  plugins::PluginHost host(platform::ExecutableDir());
  devices::NetworkModel model;
  devices::DeviceList list;
  devices::ReadNetworkSettings(settings, model, link.Par().timeout);
  const auto applied = devices::ApplyNetwork(model, list, host);
  if (!applied.ok) {
    err << "quillgraph-cli: row " << applied.failedRow << ": " << applied.message << "\n";
    return 1;
  }
  if (list.Empty()) {
    err << "quillgraph-cli: no device in the network of " << settingsPath << "\n";
    return 1;
  }
  for (std::size_t i = 0; i < list.Size(); ++i) {
    list.At(i)->Scanning = true;
    list.At(i)->UseCount = 1;
  }
  const long baud = std::stol(model.baud);
  if (!link.DDM_OpenDriver(static_cast<std::uint8_t>(model.portIndex),
                           static_cast<std::uint16_t>(baud))) {
    err << "quillgraph-cli: cannot open port COM" << model.portIndex << ": "
        << (link.OpenError().empty() ? "no such port" : link.OpenError()) << "\n";
    return 1;
  }

  devices::Scanner scanner;
  const auto period = std::chrono::milliseconds(interval.value_or(1000));
  auto next = std::chrono::steady_clock::now();
  for (long long t = 0; !ticks || t < *ticks; ++t) {
    if (t > 0) std::this_thread::sleep_until(next);
    next += period;
    scanner.Tick(list, link, host);
    out << platform::FormatDateTime(clock.Now());
    for (std::size_t i = 0; i < list.Size(); ++i) {
      const devices::CDevice& d = *list.At(i);
      out << "\t" << d.Name << ":";
      for (int k = 0; k < d.ChannelCount; ++k) out << " " << std::lround(d.LatestValue(k));
    }
    out << "\t" << scanner.StatusText() << std::endl;
  }
  link.DDM_CloseDriver();
  return 0;
}

}  // namespace qg::cli
