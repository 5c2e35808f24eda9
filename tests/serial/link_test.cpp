#include "serial/link.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include "serial/link_errors.h"
#include "tests/serial/pty_fixture.h"

namespace qg::serial {
namespace {

using testing::PtyLine;

TEST(Crc16, MatchesTheModbusReferenceFrames) {
  const std::uint8_t read[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
  EXPECT_EQ(Crc16(read, sizeof read), 0xCDC5);  // sent as C5 CD
  const std::uint8_t write[] = {0x11, 0x06, 0x00, 0x01, 0x00, 0x03};
  EXPECT_EQ(Crc16(write, sizeof write), 0x9B9A);  // sent as 9A 9B
  EXPECT_EQ(Crc16(read, 0), 0xFFFF);
}

TEST(LinkTimeouts, FollowTheBaudTableAndNeverWrap) {
  struct Case {
    std::uint32_t baud;
    std::int32_t extra;
    std::uint32_t interval, perByte;
    std::uint16_t constant;
    std::uint32_t guard;
  } cases[] = {
      {1200, 0, 640, 32, 48, 8},      {2400, 10, 320, 16, 34, 3},   {4800, 0, 160, 8, 12, 2},
      {9600, 50, 80, 4, 56, 1},       {19200, 0, 40, 3, 3, 1},      {38400, 0, 40, 3, 3, 0},
      {9600, -100, 80, 4, 6, 1},      {9600, 70000, 80, 4, 65535, 1},
      {1200, 65535, 640, 32, 65535, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.baud << " baud, extra " << c.extra);
    const auto t = TimeoutsForBaud(c.baud);
    EXPECT_EQ(t.intervalMs, c.interval);
    EXPECT_EQ(t.perByteMs, c.perByte);
    EXPECT_EQ(t.guardMs, c.guard);
    EXPECT_EQ(TotalConstantMs(c.baud, c.extra), c.constant);
  }
  EXPECT_EQ(ProgrammedBaud(38400), 19200u);
  EXPECT_EQ(ProgrammedBaud(4800), 4800u);
}

TEST(LinkFrames, SizesOfRequestAndReply) {
  DRVPAR p;
  FrameSizes s{};
  p.function = 3, p.count = 10;
  ASSERT_TRUE(FrameSizesFor(p, s));
  EXPECT_EQ(s.request + s.reply, 33u);
  p.function = 0x72, p.count = 2048;
  ASSERT_TRUE(FrameSizesFor(p, s));
  EXPECT_EQ(s.request, 12u);
  EXPECT_EQ(s.reply, 4104u);
  p.function = 6;
  ASSERT_TRUE(FrameSizesFor(p, s));
  EXPECT_EQ(s.reply, 8u);
  p.function = 0x72, p.count = 0xFFFFFFFFu;  // would never fit the reply area
  EXPECT_FALSE(FrameSizesFor(p, s));
}

class LinkOverPty : public ::testing::Test {
 protected:
  Link& MakeLink(LinkVariant v, std::uint16_t baud = 9600, std::int32_t timeout = 50) {
    link = std::make_unique<Link>(v, line.ports, line.clock);
    link->Par().port = 1;
    link->Par().baud = baud;
    link->Par().timeout = timeout;
    EXPECT_EQ(link->OpenPort(&link->Par()), 0) << link->OpenError();
    link->Par().address = 1;
    return *link;
  }
  void RequestRead(std::uint32_t start, std::uint32_t count, std::uint16_t fn = 3) {
    auto& p = link->Par();
    p.function = fn;
    p.start = start;
    p.count = count;
    p.data = data.data();
  }
  void SetFaults(auto&& mutate) {
    auto f = line.slave.Faults();
    mutate(f);
    line.slave.SetFaults(f);
  }

  PtyLine line;
  std::unique_ptr<Link> link;
  std::array<std::uint16_t, 64> data{};
};

TEST_F(LinkOverPty, ReadsRegistersOnEchoingAndNonEchoingLines) {
  for (int r = 0; r < 10; ++r) line.bank->Set(100 + r, static_cast<std::uint16_t>(0xA000 + r));
  for (bool echo : {false, true}) {
    SCOPED_TRACE(echo ? "echo" : "no echo");
    SetFaults([&](sim::FaultModes& f) { f.echo = echo; });
    Link& l = MakeLink(LinkVariant::Quillgraph);
    data.fill(0x5555);
    RequestRead(100, 10);
    ASSERT_EQ(l.ReadWords(), 0);
    EXPECT_EQ(l.Par().result, 0);
    for (int r = 0; r < 10; ++r) EXPECT_EQ(data[r], 0xA000 + r);
    EXPECT_EQ(data[10], 0x5555);
  }
  const auto req = line.slave.Requests().back();
  const std::vector<std::uint8_t> expected = {0x01, 0x03, 0x00, 0x64, 0x00, 0x0A, 0x84, 0x12};
  EXPECT_EQ(req, expected);
}

TEST_F(LinkOverPty, WritesARegisterAndReadsMemoryWithThirtyTwoBitAddresses) {
  Link& l = MakeLink(LinkVariant::Harrowcfg);
  l.Par().function = 6;
  l.Par().start = 49;
  l.Par().value = 0xBEEF;
  ASSERT_EQ(l.WriteWords(), 0) << int(l.Par().result);
  EXPECT_EQ(line.bank->Get(49), 0xBEEF);

  for (int w = 0; w < 8; ++w) line.bank->SetMemory(4000 + w, static_cast<std::uint16_t>(w * 7));
  RequestRead(4000, 8, 0x72);
  ASSERT_EQ(l.ReadWords(), 0) << int(l.Par().result);
  for (int w = 0; w < 8; ++w) EXPECT_EQ(data[w], w * 7);
  const std::vector<std::uint8_t> head = {0x01, 0x72, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x00, 0x08};
  const auto req = line.slave.Requests().back();
  ASSERT_EQ(req.size(), 12u);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), req.begin()));
}

// Each fault of the slave gives its link error code, and nothing is stored on failure.
TEST_F(LinkOverPty, EveryErrorCodeTheLinkProduces) {
  struct Case {
    const char* name;
    LinkVariant variant;
    std::function<void(sim::FaultModes&)> fault;
    std::uint16_t function;
    std::uint32_t count;
    std::uint8_t expected;
  } cases[] = {
      {"foreign address", LinkVariant::Quillgraph, [](auto& f) { f.foreignAddress = 7; }, 3, 4, 1},
      {"byte count 0", LinkVariant::Quillgraph, [](auto& f) { f.byteCountDelta = -8; }, 3, 4, 2},
      {"word count 0", LinkVariant::Quillgraph, [](auto& f) { f.wordCountDelta = -4; }, 0x72, 4, 2},
      {"register 256", LinkVariant::Quillgraph, [](auto& f) { f.echoRegister = 256; }, 6, 0, 3},
      {"other value", LinkVariant::Quillgraph, [](auto& f) { f.wrongEcho = 0x1234; }, 6, 0, 4},
      // A request for no registers is answered with a five-byte exception, which is whole.
      {"exception", LinkVariant::Quillgraph, [](auto&) {}, 3, 0, 5},
      {"exception echoed", LinkVariant::Quillgraph, [](auto& f) { f.echo = true; }, 3, 0, 5},
      {"unknown function", LinkVariant::Quillgraph, [](auto& f) { f.replyFunction = 4; }, 3, 4, 6},
      {"crc", LinkVariant::Quillgraph, [](auto& f) { f.corruptCrc = true; }, 3, 4, 7},
      {"silent", LinkVariant::Quillgraph, [](auto& f) { f.silent = true; }, 3, 4, 8},
      // A five-byte exception is shorter than any reply with registers in it.
      {"short exception", LinkVariant::Quillgraph, [](auto& f) { f.exception = 2; }, 3, 4, 8},
      {"harrowcfg byte count", LinkVariant::Harrowcfg, [](auto& f) { f.byteCountDelta = -2; }, 3, 4, 8},
      {"harrowcfg crc", LinkVariant::Harrowcfg, [](auto& f) { f.corruptCrc = true; }, 3, 4, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    line.slave.SetFaults({});
    SetFaults(c.fault);
    Link& l = MakeLink(c.variant, 9600, 0);
    data.fill(0x5555);
    RequestRead(10, c.count, c.function);
    l.Par().value = 0x00FF;
    EXPECT_EQ(l.ReadWords(), 1);
    EXPECT_EQ(l.Par().result, c.expected);
    EXPECT_EQ(data[0], 0x5555);
  }
}

TEST_F(LinkOverPty, QuillgraphAcceptsAShortByteCountAndNeverStoresBeyondCount) {
  for (int r = 0; r < 8; ++r) line.bank->Set(r, static_cast<std::uint16_t>(r + 1));
  Link& l = MakeLink(LinkVariant::Quillgraph, 9600, 0);
  SetFaults([](auto& f) { f.byteCountDelta = -2; });
  data.fill(0x5555);
  RequestRead(0, 4);
  ASSERT_EQ(l.ReadWords(), 0);
  EXPECT_EQ(data[2], 3);
  EXPECT_EQ(data[3], 0x5555);  // three words announced, three stored

  for (int delta : {2, 40}) {
    SetFaults([&](auto& f) { f.byteCountDelta = delta, f.wordCountDelta = delta; });
    for (std::uint16_t fn : {std::uint16_t{3}, std::uint16_t{0x72}}) {
      data.fill(0x5555);
      RequestRead(0, 4, fn);
      EXPECT_EQ(l.ReadWords(), 1);
      EXPECT_EQ(l.Par().result, kErrByteCount);
      EXPECT_EQ(data[0], 0x5555);
      EXPECT_EQ(data[4], 0x5555);
    }
  }
}

TEST_F(LinkOverPty, SilentSlaveTimesOutAfterTheTotalTimeoutAndLeavesDataUntouched) {
  SetFaults([](auto& f) { f.silent = true; });
  Link& l = MakeLink(LinkVariant::Quillgraph, 9600, 50);
  data.fill(0x5555);
  RequestRead(0, 10);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(l.ReadWords(), 1);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - t0)
                      .count();
  EXPECT_EQ(l.Par().result, kErrTimeout);
  EXPECT_GE(ms, 187);  // 4 x 33 + 6 + 50
  EXPECT_LT(ms, 1000);
  for (auto w : data) EXPECT_EQ(w, 0x5555);
}

TEST_F(LinkOverPty, NonEchoingReadEndsOneIntervalAfterTheReply) {
  Link& l = MakeLink(LinkVariant::Quillgraph, 9600, 2000);
  RequestRead(0, 8);
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(l.ReadWords(), 0);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - t0)
                      .count();
  // The interval time-out (80 ms), not the 2-second total, ends the read.
  EXPECT_GE(ms, 79);
  EXPECT_LT(ms, 1500);
}

TEST_F(LinkOverPty, PortSettingsAndRefusals) {
  Link& l = MakeLink(LinkVariant::Quillgraph, 38400);
  const int fd = ::open(line.slave.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  EXPECT_EQ(::cfgetospeed(&tio), B19200);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
  ::close(fd);
  EXPECT_TRUE(l.ClosePort());

  DRVPAR none;
  none.port = 0;
  EXPECT_EQ(l.OpenPort(&none), 1);
  EXPECT_FALSE(l.DDM_OpenDriver(0, 9600));
  EXPECT_FALSE(l.DDM_IfDriverExist());
  EXPECT_TRUE(l.DDM_OpenDriver(1, 9600));
  EXPECT_TRUE(l.DDM_IfDriverExist());
  l.DDM_CloseDriver();
  EXPECT_FALSE(l.DDM_IfDriverExist());
}

TEST_F(LinkOverPty, APortHeldByAnotherProcessIsRefused) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string error;
    auto held = platform::SerialPort::Open(line.slave.Path(), error);
    const char ok = held ? 'y' : 'n';
    [[maybe_unused]] auto w = ::write(ready[1], &ok, 1);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, 'y');
  Link l(LinkVariant::Quillgraph, line.ports, line.clock);
  EXPECT_FALSE(l.DDM_OpenDriver(1, 9600));
  EXPECT_NE(l.OpenError().find("in use"), std::string::npos) << l.OpenError();
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_TRUE(l.DDM_OpenDriver(1, 9600)) << l.OpenError();
}

TEST_F(LinkOverPty, VariantsDifferOnWritesAndOnAClosedPort) {
  Link& q = MakeLink(LinkVariant::Quillgraph);
  q.Par().function = 6;
  q.Par().start = 5;
  q.Par().value = 99;
  const auto before = line.slave.Requests().size();
  EXPECT_EQ(q.WriteWords(), 0);
  EXPECT_EQ(line.slave.Requests().size(), before);  // nothing was sent
  EXPECT_EQ(line.bank->Get(5), 0);

  Link& h = MakeLink(LinkVariant::Harrowcfg);
  h.ClosePort();
  RequestRead(0, 1);
  EXPECT_EQ(h.ReadWords(), 1);
  EXPECT_EQ(h.Par().result, kErrNotOpen);
  EXPECT_EQ(line.slave.Requests().size(), before);
}

TEST_F(LinkOverPty, PacedBytesAtTheLineRateAreReceivedWhole) {
  for (int r = 0; r < 8; ++r) line.bank->Set(r, static_cast<std::uint16_t>(r * 100));
  for (std::uint32_t baud : {9600u, 19200u}) {
    line.slave.SetBaud(baud);
    SetFaults([](auto& f) { f.lineTiming = true, f.echo = true; });
    Link& l = MakeLink(LinkVariant::Quillgraph, static_cast<std::uint16_t>(baud), 0);
    RequestRead(0, 8);
    ASSERT_EQ(l.ReadWords(), 0) << baud << " " << int(l.Par().result);
    EXPECT_EQ(data[7], 700);
  }
}

TEST(LinkErrorTexts, BothTables) {
  EXPECT_EQ(QuillgraphLinkErrorText(8), "Timeout");
  EXPECT_EQ(QuillgraphLinkErrorText(1), "Endereço de retorno inválido!");
  EXPECT_EQ(QuillgraphLinkErrorText(9), "");
  EXPECT_EQ(HarrowcfgLinkErrorText(0), "Sem Erro");
  EXPECT_EQ(HarrowcfgLinkErrorText(9), "Porta serial não conectada");
  EXPECT_EQ(HarrowcfgLinkErrorText(4), "Valor retornado é diferente do valor forçado");
  EXPECT_EQ(HarrowcfgLinkErrorText(12), "");
}

}  // namespace
}  // namespace qg::serial
