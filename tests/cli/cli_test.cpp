#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "cli/commands.h"
#include "tests/serial/pty_fixture.h"

namespace qg::cli {
namespace {

struct Run {
  int status;
  std::string out, err;
};

Run Cli(const Args& args) {
  std::ostringstream out, err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(CliLink, ReadWriteAndMemoryAgainstTheSlave) {
  testing::PtyLine line;
  line.bank->Set(10, 0xFFFE);
  line.bank->Set(11, 1234);
  line.bank->SetMemory(70000 % 4096, 0xFFFF);
  const std::string port = line.slave.Path();

  auto r = Cli({"read", "--port", port, "--start", "10", "--count", "2", "--timeout", "0"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "10\t-2\n11\t1234\n");

  r = Cli({"write", "--port", port, "--register", "12", "--value", "-7"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(line.bank->Get(12), 0xFFF9);

  r = Cli({"memory", "--port", port, "--start", std::to_string(70000 % 4096), "--count", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::to_string(70000 % 4096) + "\t65535\n");
}

TEST(CliLink, FailuresAndUsage) {
  testing::PtyLine line;
  line.slave.SetFaults({.silent = true});
  auto r = Cli({"read", "--port", line.slave.Path(), "--start", "0", "--count", "4", "--timeout", "0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "error 8: Timeout\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(line.slave.Requests().size(), 3u);  // three attempts

  r = Cli({"read", "--port", "/nonexistent/tty", "--start", "0", "--count", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot open port /nonexistent/tty"), std::string::npos);

  for (const Args& bad : {Args{"read", "--start", "0", "--count", "1"},
                          Args{"read", "--port", "COM1", "--start", "0", "--count", "0"},
                          Args{"read", "--port", "COM1", "--start", "x", "--count", "1"},
                          Args{"write", "--port", "COM1", "--register", "1"},
                          Args{"read", "--port", "COM1", "--bogus"}, Args{"nosuch"}, Args{}}) {
    r = Cli(bad);
    EXPECT_EQ(r.status, 2) << bad.size();
    EXPECT_NE(r.err.find("usage"), std::string::npos);
  }
  r = Cli({"read", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--port"), std::string::npos);
  EXPECT_EQ(Cli({"--version"}).status, 0);
}

}  // namespace
}  // namespace qg::cli

namespace qg::cli {
namespace {

TEST(CliScan, PollsTheNetworkOfTheSettingsFileTickByTick) {
  testing::PtyLine line;
  line.slave.AddDevice(3, line.bank);
  line.bank->Set(0, 250);
  line.bank->Set(7, static_cast<std::uint16_t>(-5));
  const auto ini = std::filesystem::temp_directory_path() /
                   ("qg-scan-" + std::to_string(::getpid()) + ".ini");
  {
    std::ofstream f(ini, std::ios::binary);
    f << "[Ports]\r\nCOM1=" << line.slave.Path()
      << "\r\n[Communication]\r\nPort=1\r\nBaud=9600\r\nTimeout=0\r\n"
         "Address1=3\r\nDevice1=Harrowmeter\r\nLabel1=Forno\r\n";
  }
  auto r = Cli({"scan", "--settings", ini.string(), "--ticks", "2", "--interval", "0"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string l;
  int n = 0;
  while (std::getline(lines, l)) {
    ++n;
    EXPECT_NE(l.find("\tForno: 250 0 0 0 0 0 0 -5\t"), std::string::npos) << l;
  }
  EXPECT_EQ(n, 2);

  line.slave.SetFaults({.silent = true});
  r = Cli({"scan", "--settings", ini.string(), "--ticks", "1", "--interval", "0"});
  EXPECT_NE(r.out.find("Forno: -9999 -9999"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\tErro de comunicação Código 8\n"), std::string::npos) << r.out;
  std::filesystem::remove(ini);

  r = Cli({"scan", "--settings", "/nonexistent/Quillgraph.ini", "--ticks", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no device"), std::string::npos);
}

}  // namespace
}  // namespace qg::cli
