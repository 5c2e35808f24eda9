#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "harrowmeter/config.h"
#include "harrowmeter/registers.h"
#include "harrowmeter/status_texts.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "sim/harrowmeter_model.h"

namespace qg::sim {
namespace {

namespace hm = qg::harrowmeter;
using hm::PackBytes;
using Words = std::vector<std::uint16_t>;

platform::DateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return *platform::EncodeDateTime(y, mo, d, h, mi, s, ms);
}

class HmModelTest : public ::testing::Test {
 protected:
  // 20 March 2024, 14:30:09.5
  HarrowmeterModel m{1, At(2024, 3, 20, 14, 30, 9, 500), 120345, 1000};

  void W(std::uint16_t reg, std::uint16_t value) {
    std::uint16_t echoed = 0;
    ASSERT_EQ(m.WriteRegister(reg, value, echoed), 0) << "register " << reg;
    EXPECT_EQ(echoed, value);
  }
  std::uint8_t Ex(std::uint16_t reg, std::uint16_t value) {
    std::uint16_t echoed = 0;
    return m.WriteRegister(reg, value, echoed);
  }
  // Only the channels given are enabled (J thermocouple), with their multipliers.
  void Channels(std::vector<std::pair<int, std::uint16_t>> enabled) {
    for (int ch = 0; ch < 8; ++ch) W(hm::reg::ChannelSetup(ch), 0);
    for (auto [ch, mult] : enabled) {
      W(hm::reg::ChannelSetup(ch), 0x0080);
      W(hm::reg::Multiplier(ch), mult);
    }
  }
  std::uint32_t Stored() { return hm::JoinCount32(m.Register(182), m.Register(195)); }
  std::uint32_t Total() { return hm::JoinCount32(m.Register(183), m.Register(184)); }
};

TEST_F(HmModelTest, ContinuousModeStoresChannelsByTheirMultipliers) {
  Channels({{0, 1}, {2, 2}});
  W(hm::reg::kLoggingMode, 0);  // serial start, stop when full
  m.SetReading(0, 11);
  m.SetReading(2, 31);
  W(hm::reg::kAcquisitionCommand, 15);  // tick 1 at once: channels 1 and 3
  m.SetReading(0, 12);
  m.SetReading(2, 32);
  m.Advance(1000);  // tick 2: channel 1
  m.SetReading(0, 13);
  m.SetReading(2, 33);
  m.Advance(999);
  EXPECT_EQ(m.Memory(), (Words{11, 31, 12}));
  m.Advance(1);  // tick 3: channels 1 and 3
  EXPECT_EQ(m.Memory(), (Words{11, 31, 12, 13, 33}));
  EXPECT_EQ(Stored(), 5u);
  EXPECT_EQ(Total(), 5u);
  EXPECT_TRUE(m.Register(9) & hm::kStatusAcquired);
  EXPECT_EQ(m.Register(49), 15);
  // First and last acquisitions as the collection reads them (year offset 26 = 2024).
  EXPECT_EQ(m.Register(174), PackBytes(9, 30));
  EXPECT_EQ(m.Register(175), PackBytes(14, 20));
  EXPECT_EQ(m.Register(176), PackBytes(3, 26));
  EXPECT_EQ(m.Register(192), PackBytes(11, 30));
  std::vector<std::uint16_t> words;
  ASSERT_EQ(m.ReadMemory(0, 5, words), 0);
  EXPECT_EQ(words, (Words{11, 31, 12, 13, 33}));
}

TEST_F(HmModelTest, EventModeWritesAHeaderAtTheStartOfEachRun) {
  Channels({{0, 1}, {1, 2}});
  W(hm::reg::kLoggingMode, (2 << 3) | (3 << 1));  // digital input starts and stops
  W(hm::reg::kAcquisitionCommand, 15);
  EXPECT_TRUE(m.Memory().empty());
  m.SetReading(0, 100);
  m.SetReading(1, 200);
  m.SetDigitalInput(true);  // 14:30:09.5 on 20 March
  m.Advance(1000);
  m.Advance(500);
  m.SetDigitalInput(false);
  m.Advance(9500);  // nothing while the input is off
  EXPECT_EQ(m.Register(49), 15);  // waiting for the next activation
  m.SetReading(0, 101);
  m.SetDigitalInput(true);  // 14:30:20.5
  m.SetDigitalInput(false);
  EXPECT_EQ(m.Memory(), (Words{0x8888, 0x0509, 0x1E0E, 0x1403, 100, 200, 100,
                               0x8888, PackBytes(5, 20), 0x1E0E, 0x1403, 101, 200}));
}

TEST_F(HmModelTest, WrapKeepsTheNewestWordsAndReadsThemOldestFirst) {
  m.SetCapacity(10);
  Channels({{0, 1}});
  W(hm::reg::kLoggingMode, 1);  // wrap, never stop
  for (int tick = 1; tick <= 13; ++tick) {
    m.SetReading(0, static_cast<std::int16_t>(tick));
    if (tick == 1)
      W(hm::reg::kAcquisitionCommand, 15);
    else
      m.Advance(1000);
  }
  EXPECT_EQ(m.Memory(), (Words{4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
  std::vector<std::uint16_t> words;
  ASSERT_EQ(m.ReadMemory(2, 3, words), 0);
  EXPECT_EQ(words, (Words{6, 7, 8}));
  EXPECT_EQ(m.ReadMemory(5, 6, words), kExIllegalAddress);
  EXPECT_EQ(Stored(), 10u);
  EXPECT_EQ(Total(), 13u);
  EXPECT_EQ(hm::JoinCount32(m.Register(180), m.Register(196)), 10u);
  EXPECT_TRUE(m.Running());
}

TEST_F(HmModelTest, WithoutWrapAFullMemoryStopsMidTick) {
  m.SetCapacity(5);
  Channels({{0, 1}, {1, 1}});
  W(hm::reg::kLoggingMode, 0);
  m.SetReading(0, 1);
  m.SetReading(1, 2);
  W(hm::reg::kAcquisitionCommand, 15);
  m.Advance(5000);
  EXPECT_EQ(m.Memory(), (Words{1, 2, 1, 2, 1}));
  EXPECT_FALSE(m.Running());
  EXPECT_FALSE(m.Enabled());
  EXPECT_TRUE(m.Register(9) & hm::kStatusMemoryFull);
  EXPECT_FALSE(m.Register(9) & hm::kStatusProgrammeDone);
}

TEST_F(HmModelTest, StopsAfterTheProgrammedNumberOfBaseIntervals) {
  Channels({{3, 1}});
  W(hm::reg::kLoggingMode, 2 << 1);
  W(hm::reg::kProgrammedCountLow, 3);
  m.SetReading(3, 7);
  W(hm::reg::kAcquisitionCommand, 15);
  m.Advance(10000);
  EXPECT_EQ(m.Memory(), (Words{7, 7, 7}));
  EXPECT_FALSE(m.Enabled());
  // The command register keeps the start written: the end shows in the status instead.
  EXPECT_EQ(m.Register(49), 15);
  EXPECT_TRUE(m.Register(9) & hm::kStatusProgrammeDone);
}

TEST_F(HmModelTest, StartsAndStopsAtTheProgrammedDateAndTime) {
  Channels({{0, 1}});
  W(hm::reg::kLoggingMode, (1 << 3) | (1 << 1));
  W(hm::reg::kIntervalTenthsSec, PackBytes(0, 2));
  W(hm::reg::kStartSecMin, PackBytes(14, 30));  // 14:30:14
  W(hm::reg::kStartHourDay, PackBytes(14, 20));
  W(hm::reg::kStartMonthYear, PackBytes(3, 26));
  W(hm::reg::kStopSecMin, PackBytes(20, 30));  // 14:30:20
  W(hm::reg::kStopHourDay, PackBytes(14, 20));
  W(hm::reg::kStopMonthYear, PackBytes(3, 26));
  m.SetReading(0, 5);
  W(hm::reg::kAcquisitionCommand, 15);
  m.Advance(4499);
  EXPECT_TRUE(m.Memory().empty());
  EXPECT_TRUE(m.Enabled());
  m.Advance(1);  // 14:30:14.0
  EXPECT_EQ(m.Memory().size(), 1u);
  m.Advance(60000);  // ticks at 14, 16, 18 and 20 s
  EXPECT_EQ(m.Memory().size(), 4u);
  EXPECT_FALSE(m.Enabled());
  EXPECT_TRUE(m.Register(9) & hm::kStatusProgrammeDone);
  EXPECT_EQ(m.Register(174), PackBytes(14, 30));
  EXPECT_EQ(m.Register(192), PackBytes(20, 30));
}

TEST_F(HmModelTest, StopCommandEndsARunAndStartBeginsAFreshMemory) {
  Channels({{0, 1}});
  W(hm::reg::kAcquisitionCommand, 15);
  m.Advance(2000);
  W(hm::reg::kAcquisitionCommand, 0);
  m.Advance(5000);
  EXPECT_EQ(m.Memory().size(), 3u);
  W(hm::reg::kAcquisitionCommand, 15);
  EXPECT_EQ(m.Memory().size(), 1u);
}

TEST_F(HmModelTest, ClockRunsAndIsSetOneRegisterAtATime) {
  HarrowmeterModel feb{1, At(2024, 2, 10, 8, 0, 0)};
  std::uint16_t e;
  ASSERT_EQ(feb.WriteRegister(14, PackBytes(5, 4), e), 0);
  ASSERT_EQ(feb.WriteRegister(15, PackBytes(23, 31), e), 0);  // 31 February waits for its month
  ASSERT_EQ(feb.WriteRegister(16, PackBytes(3, 26), e), 0);
  EXPECT_DOUBLE_EQ(feb.ClockNow(), At(2024, 3, 31, 23, 4, 5));
  feb.Advance(3'600'000);
  EXPECT_DOUBLE_EQ(feb.ClockNow(), At(2024, 4, 1, 0, 4, 5));
  EXPECT_EQ(feb.Register(15), PackBytes(23, 31));  // the setting reads back as written
  EXPECT_EQ(feb.WriteRegister(15, PackBytes(24, 1), e), kExIllegalValue);
  EXPECT_EQ(feb.WriteRegister(16, PackBytes(13, 1), e), kExIllegalValue);
  EXPECT_EQ(feb.WriteRegister(14, PackBytes(60, 0), e), kExIllegalValue);
}

TEST_F(HmModelTest, WritesAreCheckedAndTheInstrumentsOwnRegistersKeepTheirValue) {
  const std::pair<std::uint16_t, std::uint16_t> refused[] = {
      {52, 0}, {59, 256}, {17, 20}, {25, 0x18}, {25, 0x80}, {49, 7}, {50, PackBytes(10, 0)},
      {51, PackBytes(0, 24)}, {177, 55}, {186, 0}, {186, 248}, {187, 5}, {148, PackBytes(10, 0)},
  };
  for (auto [reg, value] : refused) EXPECT_EQ(Ex(reg, value), kExIllegalValue) << reg;
  EXPECT_EQ(Ex(201, 0), kExIllegalAddress);
  for (std::uint16_t reg : {200, 199, 197, 195, 9, 0}) {
    const std::uint16_t before = m.Register(reg);
    EXPECT_EQ(Ex(reg, static_cast<std::uint16_t>(before + 1)), 0) << reg;
    EXPECT_EQ(m.Register(reg), before) << reg;
  }
  std::vector<std::uint16_t> out;
  EXPECT_EQ(m.ReadRegisters(200, 2, out), kExIllegalAddress);
  EXPECT_EQ(m.ReadRegisters(0, 0, out), kExIllegalValue);
  ASSERT_EQ(m.ReadRegisters(197, 4, out), 0);
  EXPECT_EQ(out, (Words{12, 345, 105, 32}));
}

TEST_F(HmModelTest, AlarmStatusFollowsSetPointsAndKinds) {
  // Channel 1 by default: J thermocouple, alarm 1 high at 27.
  m.SetReading(0, 28);
  EXPECT_EQ(m.Register(8) & 0x3, 0x2);
  m.SetReading(0, 26);
  EXPECT_EQ(m.Register(8) & 0x3, 0x0);
  W(hm::reg::ChannelSetup(1), 0x2188);  // Pt100, alarm 1 low, alarm 2 high
  W(hm::reg::SetPoint1(1), 200);
  W(hm::reg::SetPoint2(1), 300);
  m.SetReading(1, 150);
  EXPECT_EQ(m.Register(8) & 0xC, 0x4);
  m.SetReading(1, 350);
  EXPECT_EQ(m.Register(8) & 0xC, 0x8);
  W(hm::reg::ChannelSetup(1), 0x2108);  // disabled: no alarm
  EXPECT_EQ(m.Register(8) & 0xC, 0x0);
}

TEST_F(HmModelTest, LiveReadingsMoveInsideEachChannelsEncoding) {
  std::vector<std::uint16_t> a, b;
  ASSERT_EQ(m.ReadRegisters(0, 4, a), 0);
  m.Advance(20000);
  ASSERT_EQ(m.ReadRegisters(0, 4, b), 0);
  EXPECT_NE(a, b);
  for (const auto* v : {&a, &b}) {
    EXPECT_NEAR(static_cast<std::int16_t>((*v)[0]), 25, 3);    // J, whole degrees
    EXPECT_NEAR(static_cast<std::int16_t>((*v)[1]), 250, 30);  // Pt100, tenths
    EXPECT_GE(static_cast<std::int16_t>((*v)[2]), 0);          // linear counts inside 0..1000
    EXPECT_LE(static_cast<std::int16_t>((*v)[2]), 1000);
  }
}

struct FakeLine : LineControl {
  std::vector<std::pair<int, int>> moves;
  std::vector<std::uint32_t> bauds;
  void ChangeAddress(std::uint8_t from, std::uint8_t to) override { moves.emplace_back(from, to); }
  void ChangeBaud(std::uint32_t baud) override { bauds.push_back(baud); }
};

TEST_F(HmModelTest, AddressAndBaudChangeOnlyAfterTheReply) {
  FakeLine line;
  W(186, 7);
  EXPECT_EQ(m.Address(), 1);
  m.AfterReply(1, line);
  EXPECT_EQ(m.Address(), 7);
  W(187, 4);
  EXPECT_TRUE(line.bauds.empty());
  m.AfterReply(7, line);
  m.AfterReply(7, line);  // once only
  EXPECT_EQ(line.moves, (std::vector<std::pair<int, int>>{{1, 7}}));
  EXPECT_EQ(line.bauds, (std::vector<std::uint32_t>{19200}));
}

TEST_F(HmModelTest, SnapshotRestoresAModelThatGoesOnIdentically) {
  m.SetCapacity(7);
  Channels({{0, 1}, {4, 3}});
  W(hm::reg::kLoggingMode, 1);
  W(hm::reg::kAcquisitionCommand, 15);
  m.Advance(5300);
  const platform::DateTime computer = At(2030, 1, 1, 0, 0, 0);
  HarrowmeterModel copy{9, At(2000, 1, 1, 0, 0, 0), 1, 5};
  copy.Restore(m.Snapshot(computer), computer);
  for (int ch : {0, 4}) {
    m.SetReading(ch, static_cast<std::int16_t>(40 + ch));
    copy.SetReading(ch, static_cast<std::int16_t>(40 + ch));
  }
  m.Advance(4000);
  copy.Advance(4000);
  EXPECT_EQ(copy.Memory(), m.Memory());
  EXPECT_EQ(copy.TotalWritten(), m.TotalWritten());
  EXPECT_EQ(copy.Address(), 1);
  EXPECT_EQ(copy.Register(192), m.Register(192));
}

TEST_F(HmModelTest, PacedByRealTimeTimesTheSpeed) {
  platform::FakeClock clock;
  clock.SetAutoStepMs(0);
  m.SetPacing(&clock, 10.0);
  clock.AdvanceMs(150);
  m.Idle();
  EXPECT_EQ(m.SimMs(), 1500u);
  m.SetPacing(&clock, 0.25);
  clock.AdvanceMs(2);
  m.Idle();
  clock.AdvanceMs(2);
  m.Idle();
  EXPECT_EQ(m.SimMs(), 1501u);  // fractions carry over
}

TEST_F(HmModelTest, FaultsShowInTheStatusAndStopAcquisitions) {
  m.SetFault(hm::kStatusClockMissing, true);
  m.SetFault(hm::kStatusMemoryFull, true);  // computed, not injectable
  m.SetChannelStatus(3, hm::kChannelConversionHigh);
  EXPECT_EQ(m.Register(9), hm::kStatusClockMissing);
  EXPECT_EQ(m.Register(11), PackBytes(0, hm::kChannelConversionHigh));
  W(hm::reg::kAcquisitionCommand, 15);
  m.Advance(5000);
  EXPECT_TRUE(m.Memory().empty());
}

}  // namespace
}  // namespace qg::sim
