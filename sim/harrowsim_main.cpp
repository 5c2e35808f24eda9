// harrowsim: a simulated Harrowmeter network on a pseudo-terminal.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "harrowmeter/registers.h"
#include "platform/clock.h"
#include "sim/harrowmeter_control.h"
#include "sim/harrowmeter_model.h"
#include "sim/harrowmeter_state.h"
#include "sim/rtu_slave.h"

namespace {

namespace fs = std::filesystem;
namespace hm = qg::harrowmeter;
using qg::sim::HarrowmeterModel;

struct Options {
  std::string link;
  std::vector<std::uint8_t> addresses;
  std::optional<std::uint32_t> baud;
  bool echo = false;
  bool lineTiming = false;
  std::string state;
  double speed = 1.0;
};

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: harrowsim [--link PATH] [--address A[,A...]] [--baud B] [--echo] [--line-timing]\n"
               "                 [--state FILE] [--speed X]\n"
               "Simulated Harrowmeters on a pseudo-terminal; its path is printed first. Commands are read\n"
               "from standard input (type help).\n");
}

bool ParseAddresses(const std::string& text, std::vector<std::uint8_t>& out) {
  std::set<long> seen;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const std::size_t comma = text.find(',', pos);
    const std::string item = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    char* end = nullptr;
    errno = 0;
    const long a = std::strtol(item.c_str(), &end, 10);
    if (item.empty() || *end != '\0' || errno != 0 || a < 1 || a > 247 || !seen.insert(a).second) return false;
    out.push_back(static_cast<std::uint8_t>(a));
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return !out.empty();
}

// 0: go on; otherwise the exit status.
int ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return -1;
    } else if (a == "--echo") {
      o.echo = true;
    } else if (a == "--line-timing") {
      o.lineTiming = true;
    } else if (a == "--link") {
      if (!value(o.link) || o.link.empty()) return std::fprintf(stderr, "harrowsim: --link needs a path\n"), 2;
    } else if (a == "--state") {
      if (!value(o.state) || o.state.empty()) return std::fprintf(stderr, "harrowsim: --state needs a file\n"), 2;
    } else if (a == "--address") {
      if (!value(v) || !ParseAddresses(v, o.addresses))
        return std::fprintf(stderr, "harrowsim: --address takes distinct addresses 1 to 247, comma-separated\n"), 2;
    } else if (a == "--baud") {
      const bool ok = value(v);
      char* end = nullptr;
      const unsigned long b = ok ? std::strtoul(v.c_str(), &end, 10) : 0;
      if (!ok || *end != '\0' || !hm::CodeOfBaud(static_cast<std::uint32_t>(b)))
        return std::fprintf(stderr, "harrowsim: --baud takes 1200, 2400, 4800, 9600 or 19200\n"), 2;
      o.baud = static_cast<std::uint32_t>(b);
    } else if (a == "--speed") {
      const bool ok = value(v);
      char* end = nullptr;
      const double x = ok ? std::strtod(v.c_str(), &end) : 0;
      if (!ok || *end != '\0' || !std::isfinite(x) || x <= 0 || x > 1e6)
        return std::fprintf(stderr, "harrowsim: --speed takes a number above 0 (up to 1000000)\n"), 2;
      o.speed = x;
    } else {
      std::fprintf(stderr, "harrowsim: unknown option %s\n", a.c_str());
      Usage(stderr);
      return 2;
    }
  }
  if (o.addresses.empty()) o.addresses.push_back(1);
  return 0;
}

bool MakeLink(const std::string& link, const std::string& target) {
  std::error_code ec;
  const fs::path p(link);
  if (fs::is_symlink(fs::symlink_status(p, ec))) {
    fs::remove(p, ec);
  } else if (fs::exists(fs::symlink_status(p, ec))) {
    std::fprintf(stderr, "harrowsim: %s exists and is not a link; not replaced\n", link.c_str());
    return false;
  }
  fs::create_symlink(target, p, ec);
  if (ec) {
    std::fprintf(stderr, "harrowsim: cannot make %s: %s\n", link.c_str(), ec.message().c_str());
    return false;
  }
  return true;
}

void RemoveLink(const std::string& link, const std::string& target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target) fs::remove(link, ec);
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  if (const int rc = ParseOptions(argc, argv, opt); rc != 0) return rc < 0 ? 0 : rc;

  // SIGINT and SIGTERM arrive through a descriptor, so the end is an ordinary step of the loop.
  // Blocked before any thread starts, so that every thread inherits the mask.
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGTERM);
  sigprocmask(SIG_BLOCK, &mask, nullptr);
  const int sigFd = signalfd(-1, &mask, SFD_CLOEXEC);
  if (sigFd < 0) {
    std::perror("harrowsim: signalfd");
    return 1;
  }

  qg::platform::SystemClock clock;
  std::vector<std::shared_ptr<HarrowmeterModel>> models;
  std::error_code ec;
  if (!opt.state.empty() && fs::exists(opt.state, ec)) {
    std::vector<qg::sim::HarrowmeterSnapshot> snaps;
    std::string error;
    if (!qg::sim::LoadStateFile(opt.state, snaps, error)) {
      std::fprintf(stderr, "harrowsim: %s\n", error.c_str());
      return 2;
    }
    for (const auto& s : snaps) {
      auto m = std::make_shared<HarrowmeterModel>(s.address, clock.Now());
      m->Restore(s, clock.Now());
      models.push_back(m);
    }
  } else {
    std::uint32_t serial = 120345;
    for (auto a : opt.addresses) models.push_back(std::make_shared<HarrowmeterModel>(a, clock.Now(), serial++));
  }

  std::uint32_t baud = opt.baud.value_or(hm::BaudOfCode(models.front()->Register(hm::reg::kNetworkBaud)).value_or(9600));
  const auto baudCode = *hm::CodeOfBaud(baud);
  for (auto& m : models) {
    m->SetRegisterRaw(hm::reg::kNetworkBaud, baudCode);
    m->SetPacing(&clock, opt.speed);
  }

  qg::sim::RtuSlave slave;
  std::string error;
  if (!slave.OpenPty(error)) {
    std::fprintf(stderr, "harrowsim: cannot open a pseudo-terminal: %s\n", error.c_str());
    return 1;
  }
  slave.SetBaud(baud);
  qg::sim::FaultModes faults;
  faults.echo = opt.echo;
  faults.lineTiming = opt.lineTiming;
  slave.SetFaults(faults);
  for (auto& m : models) slave.AddDevice(m->Address(), m);
  // Alone on the line, the logger also answers address 0, which the automatic search uses.
  if (models.size() == 1) slave.AddDevice(0, models.front());

  if (!opt.link.empty() && !MakeLink(opt.link, slave.Path())) return 1;

  std::printf("%s\n", slave.Path().c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "harrowsim: %zu Harrowmeter%s at address%s", models.size(), models.size() == 1 ? "" : "s",
               models.size() == 1 ? "" : "es");
  for (std::size_t i = 0; i < models.size(); ++i)
    std::fprintf(stderr, "%s%u", i ? "," : " ", static_cast<unsigned>(models[i]->Address()));
  std::fprintf(stderr, ", %u baud, speed %g%s; type help for commands\n", static_cast<unsigned>(baud), opt.speed,
               opt.link.empty() ? "" : (", link " + opt.link).c_str());

  auto save = [&](std::string& err) {
    if (opt.state.empty()) {
      err = "no state file";
      return false;
    }
    std::vector<qg::sim::HarrowmeterSnapshot> snaps;
    for (auto& m : models) snaps.push_back(m->Snapshot(clock.Now()));
    return qg::sim::SaveStateFile(opt.state, snaps, err);
  };
  qg::sim::SimControl control(models, &slave, opt.state.empty() ? std::function<bool(std::string&)>{} : save);

  slave.Start();
  bool stdinOpen = true;
  bool quit = false;
  std::string pending;
  while (!quit) {
    pollfd fds[2] = {{sigFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
    const int r = ::poll(fds, 2, 500);
    if (r < 0 && errno != EINTR) break;
    if (r <= 0) continue;
    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info{};
      [[maybe_unused]] auto n = ::read(sigFd, &info, sizeof info);
      std::fprintf(stderr, "harrowsim: %s, ending\n", info.ssi_signo == SIGINT ? "interrupted" : "terminated");
      break;
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buf[4096];
      const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
      if (n <= 0) {
        // No more commands (a pipe closed, or started in the background): keep serving.
        stdinOpen = false;
        continue;
      }
      pending.append(buf, static_cast<std::size_t>(n));
      if (pending.size() > 65536) pending.clear();  // not a command line
      std::size_t eol;
      while (!quit && (eol = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 1);
        const auto result = control.Execute(line);
        if (!result.text.empty()) {
          std::fputs(result.text.c_str(), stdout);
          if (result.text.back() != '\n') std::fputc('\n', stdout);
          std::fflush(stdout);
        }
        quit = result.quit;
      }
    }
  }

  slave.Stop();
  int rc = 0;
  if (!opt.state.empty()) {
    std::string err;
    if (!save(err)) {
      std::fprintf(stderr, "harrowsim: state not saved: %s\n", err.c_str());
      rc = 1;
    }
  }
  if (!opt.link.empty()) RemoveLink(opt.link, slave.Path());
  ::close(sigFd);
  return rc;
}
