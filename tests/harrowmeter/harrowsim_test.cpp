// harrowsim's state file, its control commands, and the program itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "harrowmeter/operations.h"
#include "harrowmeter/registers.h"
#include "harrowmeter/status_texts.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "platform/serial_port.h"
#include "serial/link.h"
#include "sim/harrowmeter_control.h"
#include "sim/harrowmeter_model.h"
#include "sim/harrowmeter_state.h"

namespace qg::sim {
namespace {

namespace hm = qg::harrowmeter;
const platform::DateTime kNow = *platform::EncodeDateTime(2024, 3, 20, 14, 30, 9);

std::shared_ptr<HarrowmeterModel> Busy(std::uint8_t address) {
  auto m = std::make_shared<HarrowmeterModel>(address, kNow, 4321, 20);
  std::uint16_t e;
  m->WriteRegister(hm::reg::kLoggingMode, 1, e);  // wrap
  m->WriteRegister(hm::reg::Multiplier(1), 3, e);
  m->SetReading(0, -7);
  m->SetChannelStatus(2, 0x11);
  m->SetFault(hm::kStatusAutoSpanError, true);
  m->WriteRegister(hm::reg::kAcquisitionCommand, 15, e);
  m->Advance(12345);
  m->SetDigitalInput(true);
  return m;
}

TEST(HmState, RoundTripKeepsEveryLogger) {
  std::vector<HarrowmeterSnapshot> in = {Busy(3)->Snapshot(kNow), Busy(9)->Snapshot(kNow)};
  const std::string text = FormatState(in);
  std::vector<HarrowmeterSnapshot> out;
  std::string error;
  ASSERT_TRUE(ParseState(text, out, error)) << error;
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].address, 9);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(out[i].regs, in[i].regs);
    EXPECT_EQ(out[i].memory, in[i].memory);
    EXPECT_EQ(out[i].totalWritten, in[i].totalWritten);
    EXPECT_EQ(out[i].countdowns, in[i].countdowns);
    EXPECT_EQ(out[i].msToNextTick, in[i].msToNextTick);
    EXPECT_EQ(out[i].held, in[i].held);
    EXPECT_EQ(out[i].channelStatus, in[i].channelStatus);
    EXPECT_EQ(out[i].faultStatus, in[i].faultStatus);
    EXPECT_EQ(out[i].running, in[i].running);
    EXPECT_EQ(out[i].digitalInput, in[i].digitalInput);
  }
  EXPECT_EQ(FormatState(out), text);
}

TEST(HmState, BadContentNamesTheLine) {
  const std::string good = FormatState({Busy(1)->Snapshot(kNow)});
  struct Case {
    std::string from, to, message;
  };
  const Case cases[] = {
      {"harrowsim-state 1", "harrowsim-state 2", "line 2: unknown state file version 2"},
      {"logger 1", "logger 0", "line 4: address must be 1 to 247"},
      {"capacity 20", "capacity 99999999", "line 5: capacity must be"},
      {"reg 17 ", "reg 201 ", "register must be 0 to 200"},
      {"mem 0 ", "mem 10 ", "memory words past the capacity"},
      {"countdowns 1", "countdowns 0", "a countdown must be 1 to 255"},
      {"held -7", "held x", "a held reading"},
      {"enabled 1", "enabled yes", "enabled must be 0 or 1"},
      {"end", "", "line 4: logger has no \"end\""},
      {"running", "sprinting", "unknown key \"sprinting\""},
  };
  for (const auto& c : cases) {
    std::string text = good;
    const auto at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text.replace(at, c.from.size(), c.to);
    std::vector<HarrowmeterSnapshot> out;
    std::string error;
    EXPECT_FALSE(ParseState(text, out, error)) << c.to;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  std::vector<HarrowmeterSnapshot> out;
  std::string error;
  EXPECT_FALSE(ParseState(good + "\nlogger 1\ncapacity 0\nend\n", out, error));
  EXPECT_NE(error.find("address 1 appears twice"), std::string::npos) << error;
  EXPECT_FALSE(ParseState("", out, error));
}

TEST(HmControl, CommandsReachTheModelAndBadOnesAreRefused) {
  auto m = std::make_shared<HarrowmeterModel>(4, kNow);
  SimControl control({m}, nullptr);
  EXPECT_TRUE(control.Execute("set 4 2 333").ok);
  EXPECT_EQ(m->Register(1), 333);
  EXPECT_TRUE(control.Execute("write 4 25 22").ok);  // digital input starts and stops
  EXPECT_TRUE(control.Execute("write 4 49 15").ok);
  EXPECT_TRUE(control.Execute("input 4 on").ok);
  EXPECT_TRUE(control.Execute("advance 2000").ok);
  EXPECT_TRUE(control.Execute("input 4 off").ok);
  EXPECT_EQ(m->TotalWritten(), 4u + 3 * 4);  // header and three ticks of four channels
  EXPECT_TRUE(control.Execute("fault 4 memory on").ok);
  EXPECT_EQ(m->Register(9) & hm::kStatusMemoryMissing, hm::kStatusMemoryMissing);
  EXPECT_TRUE(control.Execute("chstatus 4 8 4").ok);
  EXPECT_EQ(m->Register(13), 0x0004);
  EXPECT_NE(control.Execute("read 4 200").text.find("200 = 32"), std::string::npos);
  EXPECT_TRUE(control.Execute("quit").quit);
  for (const char* bad : {"set 5 1 1", "set 4 9 1", "set 4 1 40000", "input 4 maybe", "write 4 52 0",
                          "read 4 200 2", "advance -1", "fault 4 gremlins on", "line off", "save", "frobnicate"})
    EXPECT_FALSE(control.Execute(bad).ok) << bad;
}

// The program: prints its pseudo-terminal, answers on it, saves its state on SIGTERM.
TEST(HmHarrowsim, ServesALineAndSavesItsStateOnSigterm) {
  const auto dir = std::filesystem::temp_directory_path() / ("harrowsim-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto state = dir / "state.txt";
  const auto link = dir / "line";
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  int in[2];
  ASSERT_EQ(::pipe(in), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(in[0], STDIN_FILENO);
    ::close(out[0]);
    ::close(in[1]);
    ::execl(HARROWSIM_PATH, "harrowsim", "--address", "5,6", "--baud", "19200", "--state", state.c_str(), "--link",
            link.c_str(), "--speed", "100", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(in[0]);
  std::string printed;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (printed.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 100) > 0) {
      char buf[256];
      const ssize_t n = ::read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      printed.append(buf, static_cast<std::size_t>(n));
    }
  }
  const std::string path = printed.substr(0, printed.find('\n'));
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);

  platform::PortMap ports;
  ports.Set(2, link.string());
  platform::SystemClock clock;
  serial::Link line(serial::LinkVariant::Harrowcfg, ports, clock);
  auto& par = line.Par();
  par.port = 2;
  par.baud = 19200;
  par.address = 6;
  ASSERT_EQ(line.OpenPort(&par), 0) << line.OpenError();
  hm::RegisterOps ops(line, clock);
  std::uint16_t id = 0;
  EXPECT_EQ(ops.ReadRegister(hm::reg::kDeviceIdentification, id), 0);
  EXPECT_EQ(id, hm::kIdentification);
  EXPECT_EQ(ops.WriteRegisterChecked(hm::reg::kTitle, 0x5859), 0);
  line.ClosePort();

  ::kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ::close(out[0]);
  ::close(in[1]);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));

  std::vector<HarrowmeterSnapshot> saved;
  std::string error;
  ASSERT_TRUE(LoadStateFile(state, saved, error)) << error;
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[1].address, 6);
  EXPECT_EQ(saved[1].regs[hm::reg::kTitle], 0x5859);
  EXPECT_EQ(saved[0].regs[hm::reg::kNetworkBaud], 4);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qg::sim
