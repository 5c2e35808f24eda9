// Register operations over a real pseudo-terminal against the simulated Harrowmeter.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "harrowmeter/config.h"
#include "harrowmeter/operations.h"
#include "harrowmeter/registers.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "platform/serial_port.h"
#include "serial/link.h"
#include "sim/harrowmeter_model.h"
#include "sim/rtu_slave.h"

namespace qg::harrowmeter {
namespace {

class HmOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(slave.OpenPty(error)) << error;
    slave.AddDevice(1, model);
    slave.Start();
    ports.Set(1, slave.Path());
    auto& p = link.Par();
    p.port = 1;
    p.baud = 9600;
    p.address = 1;
    ASSERT_EQ(link.OpenPort(&p), 0) << link.OpenError();
  }
  void TearDown() override {
    link.ClosePort();
    slave.Stop();
  }

  std::shared_ptr<sim::HarrowmeterModel> model =
      std::make_shared<sim::HarrowmeterModel>(1, *platform::EncodeDateTime(2024, 3, 20, 14, 30, 9));
  sim::RtuSlave slave;
  platform::PortMap ports;
  platform::SystemClock clock;
  serial::Link link{serial::LinkVariant::Harrowcfg, ports, clock};
  RegisterOps ops{link, clock};
};

TEST_F(HmOperations, ConfigurationBlockInTwoRequests) {
  ConfigBlock words{};
  std::vector<int> progress;
  ASSERT_EQ(ops.ReadConfigBlock(words, [&](int p) { progress.push_back(p); }), 0);
  EXPECT_EQ(progress, (std::vector<int>{60, 100}));
  for (std::uint16_t r = 0; r < kBlockSize; ++r) EXPECT_EQ(words[r], model->Register(r)) << r;
  const auto requests = slave.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], (std::vector<std::uint8_t>{1, 3, 0, 0, 0, 125, requests[0][6], requests[0][7]}));
  EXPECT_EQ(requests[1][3], 125);
  EXPECT_EQ(requests[1][5], 76);
  HarrowmeterConfig cfg;
  DecodeConfigBlock(words, cfg);
  EXPECT_EQ(cfg.SerialNumber, 120345u);
  EXPECT_EQ(cfg.InputType[1], 8);
  EXPECT_EQ(cfg.Capacity, 32768);
}

TEST_F(HmOperations, CheckedWriteThatSucceeds) {
  EXPECT_EQ(ops.WriteRegisterChecked(reg::Multiplier(2), 5), 0);
  EXPECT_EQ(model->Register(reg::Multiplier(2)), 5);
  const auto requests = slave.Requests();
  ASSERT_EQ(requests.size(), 2u);  // the write, then its read-back
  EXPECT_EQ(requests[0][1], 6);
  EXPECT_EQ(requests[1][1], 3);
}

TEST_F(HmOperations, CheckedWriteWhoseReadBackDiffersFailsWithCode4) {
  // The firmware register takes the write and keeps its value.
  EXPECT_EQ(ops.WriteRegisterChecked(reg::kFirmwareVersion, 999), serial::kErrValue);
  EXPECT_EQ(link.Par().result, serial::kErrValue);
  EXPECT_EQ(model->Register(reg::kFirmwareVersion), 105);
}

TEST_F(HmOperations, CheckedWriteThatTimesOutAfterThreeAttempts) {
  sim::FaultModes f;
  f.silent = true;
  slave.SetFaults(f);
  EXPECT_EQ(ops.WriteRegisterChecked(reg::Multiplier(0), 9), serial::kErrTimeout);
  EXPECT_EQ(slave.Requests().size(), 3u);
  std::uint16_t w = 0;
  EXPECT_EQ(ops.ReadRegister(200, w), serial::kErrTimeout);
  EXPECT_EQ(ops.ReadStoredCount(100), -1);
}

TEST_F(HmOperations, LiveBlockAndStoredCountCappedByTheCapacity) {
  model->SetCapacity(10);
  std::uint16_t e;
  for (std::uint16_t r = 17; r < 25; ++r) model->WriteRegister(r, r == 17 ? 0x0080 : 0, e);
  model->WriteRegister(reg::kAcquisitionCommand, kCommandStart, e);
  model->Advance(20000);  // fills the memory
  EXPECT_EQ(ops.ReadStoredCount(1000), 10);
  EXPECT_EQ(ops.ReadStoredCount(7), 7);
  LiveBlock live{};
  ASSERT_EQ(ops.ReadLiveBlock(live), 0);
  for (std::uint16_t r = 0; r < kLiveBlockCount; ++r) EXPECT_EQ(live[r], model->Register(r)) << r;
}

TEST_F(HmOperations, CommandsStartStopAndSetTheClock) {
  EXPECT_EQ(ops.StartAcquisitions(), 0);
  EXPECT_TRUE(model->Enabled());
  EXPECT_EQ(ops.StopAcquisitions(), 0);
  EXPECT_FALSE(model->Enabled());
  // A programme that is done within its first tick took the start all the same.
  EXPECT_EQ(ops.WriteRegisterChecked(reg::kLoggingMode, kStopAfterCount << 1), 0);
  EXPECT_EQ(ops.WriteRegisterChecked(reg::kProgrammedCountLow, 1), 0);
  EXPECT_EQ(ops.StartAcquisitions(), 0);
  EXPECT_FALSE(model->Enabled());
  EXPECT_GT(model->TotalWritten(), 0u);

  platform::FakeClock fake(*platform::EncodeDateTime(2031, 12, 31, 23, 59, 58, 700));
  RegisterOps faked{link, fake};
  std::uint16_t failed = 99;
  EXPECT_EQ(faked.SetClock(&failed), 0);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(model->Register(14), PackBytes(58, 59));
  EXPECT_EQ(model->Register(15), PackBytes(23, 31));
  EXPECT_EQ(model->Register(16), PackBytes(12, 33));
  EXPECT_NEAR(model->ClockNow(), *platform::EncodeDateTime(2031, 12, 31, 23, 59, 58), 1e-9);
}

TEST_F(HmOperations, AddressChangeReadsBackAtTheNewAddress) {
  EXPECT_EQ(ops.ChangeAddress(7), 0);
  EXPECT_EQ(link.Par().address, 7);
  EXPECT_EQ(model->Address(), 7);
  std::uint16_t id = 0;
  EXPECT_EQ(ops.ReadRegister(reg::kDeviceIdentification, id), 0);
  EXPECT_EQ(id, kIdentification);
}

TEST_F(HmOperations, BaudChangeReadsBackAfterTheReopening) {
  EXPECT_EQ(ops.ChangeBaud(4), 0);
  EXPECT_EQ(link.Par().baud, 19200);
  EXPECT_EQ(slave.Baud(), 19200u);
  std::uint16_t code = 0;
  EXPECT_EQ(ops.ReadRegister(reg::kNetworkBaud, code), 0);
  EXPECT_EQ(code, 4);
  EXPECT_EQ(ops.ChangeBaud(9), serial::kErrValue);
}

}  // namespace
}  // namespace qg::harrowmeter
