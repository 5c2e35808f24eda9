#include <gtest/gtest.h>

#include "devices/device.h"
#include "devices/info_reads.h"
#include "devices/poller.h"
#include "plugins/plugin_host.h"
#include "tests/serial/pty_fixture.h"

namespace qg::devices {
namespace {

class Poller : public ::testing::Test {
 protected:
  Poller() {
    for (int r = 0; r < 8; ++r) line.bank->Set(r, static_cast<std::uint16_t>(-(r + 1) * 10));
    line.slave.AddDevice(3, line.bank);
    link.Par().timeout = 0;
  }
  CDevice& Add(const std::string& name, std::uint8_t address, const std::string& type = "Harrowmeter") {
    CDevice& d = devices.Create({name, type, type, address, 1, 9600}, host);
    d.Scanning = true;
    d.UseCount = 1;
    return d;
  }
  std::vector<std::uint8_t> PolledAddresses(std::size_t from) const {
    std::vector<std::uint8_t> a;
    const auto reqs = line.slave.Requests();
    for (std::size_t i = from; i < reqs.size(); ++i) a.push_back(reqs[i][0]);
    return a;
  }

  testing::PtyLine line;
  plugins::PluginHost host{QG_PLUGIN_FIXTURES};
  serial::Link link{serial::LinkVariant::Quillgraph, line.ports, line.clock};
  DeviceList devices;
  int historyStarts = 0, historyStops = 0;
  Scanner scanner{{[this] { ++historyStarts; }, [this] { ++historyStops; }}};
};

TEST_F(Poller, AHarrowmeterPollReadsItsEightChannels) {
  CDevice& d = Add("Forno", 3);
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  ASSERT_TRUE(PollDevice(d, link, host));
  const auto req = line.slave.Requests().back();
  EXPECT_EQ(req[0], 3);
  EXPECT_EQ(req[1], 3);
  EXPECT_EQ(req[3], 0);  // from register 0
  EXPECT_EQ(req[5], 8);  // eight registers
  EXPECT_EQ(d.LatestValue(d.ParameterIndex("Canal 1")), -10.0f);
  EXPECT_EQ(d.LatestValue(d.ParameterIndex("Canal 8")), -80.0f);
}

TEST_F(Poller, AFailedPollMarksEveryParameterAndTheStatus) {
  CDevice& d = Add("Forno", 3);
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  scanner.Tick(devices, link, host);
  EXPECT_EQ(scanner.StatusText(), "");
  line.slave.SetFaults({.silent = true});
  const auto before = line.slave.Requests().size();
  scanner.Tick(devices, link, host);
  EXPECT_EQ(line.slave.Requests().size() - before, 3u);  // three attempts
  EXPECT_EQ(scanner.StatusText(), "Erro de comunicação Código 8");
  for (int k = 0; k < 8; ++k) EXPECT_EQ(d.LatestValue(k), kNoValue);
}

TEST_F(Poller, AbsurdPlugInAnswersFailThePollWithoutTraffic) {
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  for (const char* type : {"CountNegative", "Count18", "OffsetPastEnd", "NoSuchType", "Function0"}) {
    SCOPED_TRACE(type);
    CDevice& d = Add(type, 3, type);
    d.ChannelCount = 3;  // as if an earlier plug-in had answered three parameters
    std::uint32_t ones[3] = {1, 1, 1};
    d.RebuildValueStorage(ones, 3);
    const auto before = line.slave.Requests().size();
    EXPECT_FALSE(PollDevice(d, link, host));
    EXPECT_EQ(line.slave.Requests().size(), before);
    EXPECT_EQ(link.Par().result, serial::kErrByteCount);
    EXPECT_EQ(d.LatestValue(0), kNoValue);
  }
}

TEST_F(Poller, ThreeScanningDevicesArePolledEveryTickInListOrder) {
  line.slave.AddDevice(4, line.bank);
  line.slave.AddDevice(5, line.bank);
  Add("A", 3), Add("B", 4), Add("C", 5);
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  for (int tick = 0; tick < 2; ++tick) {
    const auto before = line.slave.Requests().size();
    scanner.Tick(devices, link, host);
    EXPECT_EQ(PolledAddresses(before), (std::vector<std::uint8_t>{3, 4, 5}));
    EXPECT_EQ(scanner.Cursor(), 0u);
  }
  EXPECT_GT(historyStarts, 0);
}

TEST_F(Poller, SevenDevicesTakeTwoTicksFiveThenTwo) {
  for (std::uint8_t a = 10; a < 17; ++a) {
    line.slave.AddDevice(a, line.bank);
    Add("D" + std::to_string(a), a);
  }
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  auto before = line.slave.Requests().size();
  scanner.Tick(devices, link, host);
  EXPECT_EQ(PolledAddresses(before), (std::vector<std::uint8_t>{10, 11, 12, 13, 14}));
  EXPECT_EQ(scanner.Cursor(), 5u);
  before = line.slave.Requests().size();
  scanner.Tick(devices, link, host);
  EXPECT_EQ(PolledAddresses(before), (std::vector<std::uint8_t>{15, 16}));
  EXPECT_EQ(scanner.Cursor(), 0u);
  EXPECT_EQ(scanner.ScanCount(), 0u);
}

TEST_F(Poller, TheCarriedScanCountStepsOverANonScanningDeviceWithoutAPoll) {
  for (std::uint8_t a = 10; a < 17; ++a) {
    line.slave.AddDevice(a, line.bank);
    Add("D" + std::to_string(a), a);
  }
  devices.At(5)->Scanning = false;  // the sixth device, address 15, has no monitor
  devices.At(5)->UseCount = 0;
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  const std::vector<std::vector<std::uint8_t>> expected = {{10, 11, 12, 13, 14}, {}, {16}, {10, 11, 12, 13, 14}};
  for (const auto& polls : expected) {
    const auto before = line.slave.Requests().size();
    scanner.Tick(devices, link, host);
    EXPECT_EQ(PolledAddresses(before), polls);
  }
}

TEST_F(Poller, ADeviceWithoutUsersStopsScanningAndThePortCloses) {
  CDevice& a = Add("A", 3);
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  a.UseCount = 0;
  const auto before = line.slave.Requests().size();
  scanner.Tick(devices, link, host);
  EXPECT_FALSE(a.Scanning);
  EXPECT_EQ(line.slave.Requests().size(), before);
  EXPECT_EQ(historyStops, 1);
  EXPECT_FALSE(link.DDM_IfDriverExist());
  // With the port closed, a device that wants scanning is stopped too.
  a.Scanning = true, a.UseCount = 1;
  scanner.Tick(devices, link, host);
  EXPECT_FALSE(a.Scanning);
}

TEST_F(Poller, InformationReadsOfAHarrowmeter) {
  CDevice& d = Add("Forno", 3);
  ASSERT_TRUE(link.DDM_OpenDriver(1, 9600));
  line.bank->Set(152, 0x0006);
  line.bank->Set(18, 0x00E8);
  line.bank->Set(84 + 4, 0x5465);   // channel 2's tag "Temp" + zeros
  line.bank->Set(85 + 4, 0x6D70);
  line.bank->Set(116 + 4, 0xB043);  // "°C"
  line.bank->Set(76, 0x4C31);       // title "L1"
  ChannelDescription c;
  ASSERT_EQ(ReadChannelDescription(d, 0, link, host, c), 0);
  EXPECT_EQ(c.decimalPosition, 2);
  ASSERT_EQ(ReadChannelDescription(d, 1, link, host, c), 0);
  EXPECT_EQ(c.decimalPosition, 1);
  EXPECT_EQ(c.tag, std::string("Temp\0\0\0\0", 8));
  EXPECT_EQ(c.unit.substr(0, 3), "°C");
  ASSERT_EQ(ReadChannelDescription(d, 2, link, host, c), 0);
  EXPECT_EQ(c.decimalPosition, 0);
  int code = -1;
  ASSERT_EQ(ReadChannelInputType(d, 1, link, host, code), 0);
  EXPECT_EQ(code, 8);
  std::string title;
  ASSERT_EQ(ReadTitle(d, link, host, title), 0);
  EXPECT_EQ(title.substr(0, 2), "L1");
  EXPECT_EQ(title.size(), 16u);
  int places = 0;
  EXPECT_EQ(ReadDecimalPosition(d, 0, 0, link, host, places), 0);
  EXPECT_EQ(places, -1);  // the Harrowmeter has no decimal point answers

  line.slave.SetFaults({.silent = true});
  EXPECT_EQ(ReadChannelDescription(d, 1, link, host, c), 1);
  EXPECT_EQ(c.tag, "");
  EXPECT_EQ(c.unit, "");
  EXPECT_EQ(c.decimalPosition, 0);
  EXPECT_EQ(ReadChannelInputType(d, 1, link, host, code), 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadChannelDescription(d, 8, link, host, c), 1);  // no such channel
}

}  // namespace
}  // namespace qg::devices
