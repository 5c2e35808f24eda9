#include <functional>
#include <memory>
#include <ostream>

#include "cli/commands.h"
#include "cli/options.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_port.h"
#include "serial/link.h"
#include "serial/link_errors.h"

namespace qg::cli {
namespace {

constexpr int kAttempts = 3;

const char* const kLinkOptionsUsage =
    "  --port P       COM1..COM4 (mapped through [Ports] of the settings file) or a device path\n"
    "  --baud B       baud rate (default 9600)\n"
    "  --address A    slave address (default 1)\n"
    "  --timeout MS   extra read time-out in milliseconds (default 50)\n"
    "  --settings F   settings file (default ~/.config/quillgraph/Quillgraph.ini)\n";

struct Request {
  std::string port;
  long long baud = 9600, address = 1, timeout = 50;
};

// The link of one command, opened on the requested port.
class Session {
 public:
  bool Open(const Request& r, const Options& opts, std::ostream& err) {
    const auto settings = opts.Value("settings").value_or(
        (platform::SettingsDir() / "Quillgraph.ini").string());
    ports_ = platform::PortMap::FromProfile(platform::ProfileFile::Load(settings));
    int number = 0;
    if (!platform::ParseComName(r.port, number)) {
      // A device path is carried as COM1 of a map of our own.
      number = 1;
      ports_.Set(1, r.port);
    }
    link_ = std::make_unique<serial::Link>(serial::LinkVariant::Quillgraph, ports_, clock_);
    link_->Par().timeout = static_cast<std::int32_t>(r.timeout);
    if (number > 127 || !link_->DDM_OpenDriver(static_cast<std::uint8_t>(number),
                                               static_cast<std::uint16_t>(r.baud))) {
      err << "quillgraph-cli: cannot open port " << r.port << ": "
          << (link_->OpenError().empty() ? "no such port" : link_->OpenError()) << "\n";
      return false;
    }
    link_->Par().address = static_cast<std::uint16_t>(r.address);
    return true;
  }

  // Three attempts back to back; the last attempt's code stands.
  bool Transact(std::ostream& err) {
    for (int i = 0; i < kAttempts; ++i)
      if (link_->ReadWords() == 0) return true;
    const int code = link_->Par().result;
    err << "error " << code << ": " << serial::QuillgraphLinkErrorText(code) << "\n";
    return false;
  }

  serial::DRVPAR& Par() { return link_->Par(); }
  ~Session() {
    if (link_) link_->DDM_CloseDriver();
  }

 private:
  platform::SystemClock clock_;
  platform::PortMap ports_;
  std::unique_ptr<serial::Link> link_;
};

int Usage(std::ostream& to, const std::string& usage, const std::string& problem) {
  if (!problem.empty()) to << "quillgraph-cli: " << problem << "\n";
  to << "usage: " << usage << kLinkOptionsUsage;
  return 2;
}

// Parses the common link options and the command's own; runs `body` on an open session.
int RunLinkCommand(const Args& args, const std::set<std::string>& own, const std::string& usage,
                   std::ostream& out, std::ostream& err,
                   const std::function<int(const Options&, Session&)>& body,
                   const std::function<bool(const Options&, std::string&)>& validate) {
  std::set<std::string> valued = {"port", "baud", "address", "timeout", "settings"};
  valued.insert(own.begin(), own.end());
  Options opts;
  std::string problem;
  if (!opts.Parse(args, valued, {"help"}, problem)) return Usage(err, usage, problem);
  if (opts.Has("help")) {
    Usage(out, usage, "");
    return 0;
  }
  if (!opts.Words().empty()) return Usage(err, usage, "unexpected argument " + opts.Words()[0]);
  Request r;
  std::optional<long long> v;
  if (!opts.Value("port")) return Usage(err, usage, "--port is required");
  r.port = *opts.Value("port");
  if (!opts.Int("baud", 1, 65535, v, problem)) return Usage(err, usage, problem);
  if (v) r.baud = *v;
  if (!opts.Int("address", 0, 255, v, problem)) return Usage(err, usage, problem);
  if (v) r.address = *v;
  if (!opts.Int("timeout", 0, 65535, v, problem)) return Usage(err, usage, problem);
  if (v) r.timeout = *v;
  if (!validate(opts, problem)) return Usage(err, usage, problem);
  Session session;
  if (!session.Open(r, opts, err)) return 1;
  return body(opts, session);
}

bool Required(const Options& opts, const std::string& name, long long min, long long max,
              long long& out, std::string& problem) {
  std::optional<long long> v;
  if (!opts.Int(name, min, max, v, problem)) return false;
  if (!v) {
    problem = "--" + name + " is required";
    return false;
  }
  out = *v;
  return true;
}

}  // namespace

int CmdRead(const Args& args, std::ostream& out, std::ostream& err) {
  long long start = 0, count = 0;
  return RunLinkCommand(
      args, {"start", "count"}, "quillgraph-cli read --port P --start S --count N [options]\n",
      out, err,
      [&](const Options&, Session& s) {
        std::vector<std::uint16_t> data(static_cast<std::size_t>(count), 0);
        auto& p = s.Par();
        p.function = 3;
        p.start = static_cast<std::uint32_t>(start);
        p.count = static_cast<std::uint32_t>(count);
        p.data = data.data();
        if (!s.Transact(err)) return 1;
        for (long long i = 0; i < count; ++i)
          out << start + i << "\t" << static_cast<std::int16_t>(data[static_cast<std::size_t>(i)])
              << "\n";
        return 0;
      },
      [&](const Options& o, std::string& problem) {
        return Required(o, "start", 0, 65535, start, problem) &&
               Required(o, "count", 1, 127, count, problem);
      });
}

int CmdWrite(const Args& args, std::ostream& out, std::ostream& err) {
  long long reg = 0, value = 0;
  return RunLinkCommand(
      args, {"register", "value"},
      "quillgraph-cli write --port P --register R --value V [options]\n", out, err,
      [&](const Options&, Session& s) {
        auto& p = s.Par();
        p.function = 6;
        p.start = static_cast<std::uint32_t>(reg);
        p.value = static_cast<std::uint16_t>(value);
        p.count = 0;
        p.data = nullptr;
        if (!s.Transact(err)) return 1;
        out << reg << "\t" << static_cast<std::int16_t>(p.value) << "\n";
        return 0;
      },
      [&](const Options& o, std::string& problem) {
        return Required(o, "register", 0, 65535, reg, problem) &&
               Required(o, "value", -32768, 65535, value, problem);
      });
}

int CmdMemory(const Args& args, std::ostream& out, std::ostream& err) {
  long long start = 0, count = 0;
  return RunLinkCommand(
      args, {"start", "count"}, "quillgraph-cli memory --port P --start W --count N [options]\n",
      out, err,
      [&](const Options&, Session& s) {
        std::vector<std::uint16_t> data(static_cast<std::size_t>(count), 0);
        auto& p = s.Par();
        p.function = 0x72;
        p.start = static_cast<std::uint32_t>(start);
        p.count = static_cast<std::uint32_t>(count);
        p.data = data.data();
        if (!s.Transact(err)) return 1;
        for (long long i = 0; i < count; ++i)
          out << start + i << "\t" << data[static_cast<std::size_t>(i)] << "\n";
        return 0;
      },
      [&](const Options& o, std::string& problem) {
        // The reply of the largest read must fit the link's 65,535-byte reply area.
        return Required(o, "start", 0, 0xFFFFFFFFLL, start, problem) &&
               Required(o, "count", 1, 32757, count, problem);
      });
}

}  // namespace qg::cli
