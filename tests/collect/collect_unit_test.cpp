// The collection's pure parts: block plans, the decode of the image, values, event headers and
// the rebuild of samples from hand-made memories, hostile ones included.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

#include "collect/image.h"
#include "collect/samples.h"
#include "harrowmeter/config.h"
#include "platform/clock.h"
#include "platform/datetime.h"

namespace qg::collect {
namespace {

namespace hm = qg::harrowmeter;
namespace reg = qg::harrowmeter::reg;
using platform::DateTime;

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return *platform::EncodeDateTime(y, mo, d, h, mi, s);
}
constexpr double kSecond = 1.0 / 86400.0;

TEST(BlockPlan, FollowsStoredCountAndCapacity) {
  struct Case {
    std::uint32_t stored, capacity;
    std::vector<std::uint32_t> blocks;
  } cases[] = {
      {5000, 32768, {2048, 2048, 1004}},
      {32700, 32768, std::vector<std::uint32_t>(16, 2048)},
      {1, 32768, {101}},
      {32768, 32768, std::vector<std::uint32_t>(16, 2048)},
      // A full memory whose capacity is not a multiple of the block: the tail is read too.
      {5000, 5000, {2048, 2048, 904}},
      // No request is longer than a block, even with the slack.
      {2000, 32768, {2048, 52}},
      {7, 0, {}},
  };
  for (const Case& c : cases) {
    const BlockPlan plan = PlanBlocks(c.stored, c.capacity);
    EXPECT_EQ(plan.blocks, c.blocks) << c.stored << "/" << c.capacity;
    std::uint32_t sum = 0;
    for (auto b : plan.blocks) sum += b;
    EXPECT_EQ(plan.words, sum);
  }
  // A lying capacity and count cannot ask for more than an instrument could hold.
  EXPECT_EQ(PlanBlocks(0xFFFFFFF0u, 0xFFFFFFFFu).words, kMaxMemoryWords);
}

TEST(WordValue, ByInputType) {
  struct Case {
    std::uint16_t word;
    int type, dp;
    float value;
  } cases[] = {
      {253, 8, 1, 25.3f},  {253, 17, 1, 25.3f}, {253, 18, 2, 2.53f},
      {253, 19, 3, 0.253f}, {253, 18, 0, 253.f}, {253, 0, 0, 253.f},
      {253, 16, 0, 253.f}, {static_cast<std::uint16_t>(-253), 8, 1, -25.3f},
      {0x8000, 0, 0, -32768.f},
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(WordValue(c.word, c.type, c.dp), c.value) << c.type << " " << c.word;
}

TEST(EventHeader, YearFromTheClock) {
  struct Case {
    DateTime now;
    int year;
  } cases[] = {
      {At(2024, 3, 1), 2024},
      {At(2024, 12, 31), 2024},
      {At(2024, 2, 28), 2023},
      {At(2024, 1, 1), 2023},
  };
  for (const Case& c : cases) {
    const auto t = EventHeaderTime(0x0509, 0x1E0E, 0x1403, c.now);
    ASSERT_TRUE(t);
    EXPECT_DOUBLE_EQ(*t, At(c.year, 3, 20, 14, 30, 9));
  }
  // Fields that are no date: month 13, day 0.
  EXPECT_FALSE(EventHeaderTime(0x0509, 0x1E0E, 0x140D, At(2024, 3, 1)));
  EXPECT_FALSE(EventHeaderTime(0x0509, 0x1E0E, 0x0003, At(2024, 3, 1)));
  // 29 February exists only in a leap year: a run started on it belongs to the latest leap
  // year up to the inferred one, not to a date that does not exist (which would lose the run).
  const struct {
    DateTime now;
    int year;
  } leapDays[] = {
      {At(2024, 3, 1), 2024}, {At(2025, 3, 1), 2024}, {At(2025, 1, 5), 2024},
      {At(2028, 1, 5), 2024}, {At(2101, 1, 5), 2096},
  };
  for (const auto& c : leapDays) {
    const auto t = EventHeaderTime(0x0509, 0x1E0E, 0x1D02, c.now);
    ASSERT_TRUE(t) << c.year;
    EXPECT_DOUBLE_EQ(*t, At(c.year, 2, 29, 14, 30, 9));
  }
}

hm::ConfigBlock BaseImage() {
  hm::ConfigBlock w{};
  for (int i = 0; i < 8; ++i) w[reg::Multiplier(i)] = 1;
  return w;
}

void PutText(hm::ConfigBlock& w, std::uint16_t first, std::size_t regs, const std::string& cp1252) {
  const auto t = hm::EncodeText(cp1252, regs);
  std::copy(t.begin(), t.end(), w.begin() + first);
}

TEST(DecodeImage, FillsTheDataSet) {
  hm::ConfigBlock w = BaseImage();
  w[reg::ChannelSetup(0)] = 0x0088;  // enabled Pt100
  w[reg::ChannelSetup(1)] = 0x0012;  // linear, disabled
  w[reg::ChannelSetup(2)] = 0x00A3;  // enabled E thermocouple with the °F bit
  w[reg::ChannelSetup(3)] = 0x0093;  // enabled linear 0-50 mV
  w[reg::kDecimalPoints] = 0x00C6;   // ch1: 2, ch2: 1, ch4: 3
  w[reg::ScaleLow(3)] = static_cast<std::uint16_t>(-100);
  w[reg::ScaleHigh(3)] = 5000;
  w[reg::Multiplier(2)] = 7;
  PutText(w, reg::kTitle, 8, "Forno 3");
  PutText(w, reg::Tag(0), 4, "TAG\xE7" "01234");  // fills the field: 8 bytes, no zero
  PutText(w, reg::EngUnit(2), 4, "\xB0" "F");
  w[reg::kIntervalTenthsSec] = hm::PackBytes(5, 30);
  w[reg::kIntervalMinHour] = hm::PackBytes(2, 1);
  w[reg::kFirstAcquisition] = hm::PackBytes(9, 30);
  w[reg::kFirstAcquisition + 1] = hm::PackBytes(14, 0);    // day 0
  w[reg::kFirstAcquisition + 2] = hm::PackBytes(0, 26);    // month 0, 2024
  w[reg::kLastAcquisition] = hm::PackBytes(1, 2);
  w[reg::kLastAcquisition + 1] = hm::PackBytes(3, 4);
  w[reg::kLastAcquisition + 2] = hm::PackBytes(5, 26);
  w[reg::kStoredCountHigh] = 1;
  w[reg::kStoredCountLow] = 2;
  w[reg::kCapacityHigh] = 2;
  w[reg::kCapacityLow] = 0;
  w[reg::kSerialNumberHigh] = 12;
  w[reg::kSerialNumberLow] = 345;
  w[reg::kFirmwareVersion] = 105;

  devices::CDevice d;
  d.TempUnitF.fill(1);
  const Programme p = DecodeImage(w, d);
  EXPECT_EQ(d.SerialNumber, "00120345");
  EXPECT_EQ(d.FirmwareVersion, 105);
  EXPECT_EQ(d.ChannelCount, 3);
  EXPECT_EQ(p.EnabledCount(), 3);
  EXPECT_TRUE(p.enabled[0] && !p.enabled[1] && p.enabled[2] && p.enabled[3]);
  EXPECT_EQ(d.InputType[0], 8);
  EXPECT_EQ(d.InputType[1], 18);
  EXPECT_EQ(d.InputType[2], 3);
  EXPECT_EQ(d.InputType[3], 19);
  // Decimal points: by type below 18, from register 152 from 18 on.
  EXPECT_EQ(d.DecimalPoint[0], 1);
  EXPECT_EQ(d.DecimalPoint[1], 1);
  EXPECT_EQ(d.DecimalPoint[2], 0);
  EXPECT_EQ(d.DecimalPoint[3], 3);
  EXPECT_EQ(d.LowLimit[3], -100);
  EXPECT_EQ(d.HighLimit[3], 5000);
  EXPECT_EQ(d.Multiplier[2], 7);
  EXPECT_EQ(p.multiplier[2], 7u);
  EXPECT_EQ(d.Title, "Forno 3");
  EXPECT_EQ(d.Tags[0], "TAGç0123");
  EXPECT_EQ(d.Units[2], "°F");
  EXPECT_EQ(d.Tags[1], "");
  EXPECT_NEAR(d.BaseInterval, (3600 + 120 + 30.5) * kSecond, 1e-12);
  EXPECT_DOUBLE_EQ(d.FirstAcquisition, At(2024, 1, 1, 14, 30, 9));
  EXPECT_DOUBLE_EQ(d.LastAcquisition, At(2024, 5, 4, 3, 2, 1));
  EXPECT_EQ(p.stored, 65538u);
  EXPECT_EQ(p.capacity, 131072u);
  EXPECT_FALSE(p.eventMode);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(d.TempUnitF[i], 0);
}

TEST(DecodeImage, TitlesAndEventMode) {
  struct Case {
    std::string title;
    std::string expected;
  } cases[] = {
      {"", ""},
      {std::string("\0Hidden", 7), ""},  // a zero high byte in the first register
      {"                ", "                "},
      {"0123456789ABCDEF", "0123456789ABCDEF"},
  };
  for (const Case& c : cases) {
    hm::ConfigBlock w = BaseImage();
    const auto t = hm::EncodeText(c.title, 8);
    std::copy(t.begin(), t.end(), w.begin() + reg::kTitle);
    if (c.title.size() > 1 && c.title[0] == '\0') w[reg::kTitle] = hm::PackBytes(0, 'H');
    devices::CDevice d;
    DecodeImage(w, d);
    EXPECT_EQ(d.Title, c.expected);
  }
  hm::ConfigBlock w = BaseImage();
  w[reg::kLoggingMode] = 2 << 3;
  w[reg::kFirstAcquisition + 2] = hm::PackBytes(3, 26);
  devices::CDevice d;
  EXPECT_TRUE(DecodeImage(w, d).eventMode);
  EXPECT_EQ(d.FirstAcquisition, 0.0);  // event mode takes its dates from the blocks
}

Programme Prog(std::vector<std::pair<int, std::uint32_t>> channels, bool event = false,
               std::uint32_t capacity = 32768) {
  Programme p;
  for (auto [ch, m] : channels) {
    p.enabled[ch] = true;
    p.multiplier[ch] = m;
  }
  for (auto& m : p.multiplier)
    if (m == 0) m = 1;
  p.eventMode = event;
  p.baseInterval = kSecond;
  p.firstAcquisition = At(2024, 6, 1, 12, 0, 0);
  p.lastAcquisition = At(2024, 6, 1, 13, 0, 0);
  p.capacity = capacity;
  p.stored = capacity;
  return p;
}

struct Entry {
  double seconds;  // from `origin`
  float value;
  bool operator==(const Entry& o) const {
    return std::abs(seconds - o.seconds) < 1e-3 && value == o.value;
  }
};
std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "(" << e.seconds << "s, " << e.value << ")";
}

std::vector<Entry> Channel(const devices::CDevice& d, int ch, DateTime origin) {
  std::vector<Entry> out;
  if (d.Values.size() <= static_cast<std::size_t>(ch)) return out;
  for (std::uint32_t i = 0; i < d.Counts[ch]; ++i)
    out.push_back({(d.Times[ch][i] - origin) * 86400.0, d.Values[ch][i]});
  return out;
}

constexpr float N = devices::kNoValue;

TEST(Continuous, ScheduleOfTwoChannels) {
  const Programme p = Prog({{0, 1}, {2, 2}});
  const std::vector<std::uint16_t> words = {10, 30, 11, 12, 32};
  platform::FakeClock clock(At(2024, 6, 2));
  devices::CDevice d;
  ASSERT_TRUE(BuildSamples(p, words.data(), words.size(), 5, clock, d));
  const DateTime o = p.firstAcquisition;
  EXPECT_EQ(Channel(d, 0, o), (std::vector<Entry>{{0, 10}, {1, 11}, {2, 12}}));
  EXPECT_EQ(Channel(d, 2, o), (std::vector<Entry>{{0, 30}, {1, N}, {2, 32}}));
  EXPECT_EQ(d.Counts[1], 0u);
  EXPECT_DOUBLE_EQ(d.FirstAcquisition, o);
  EXPECT_DOUBLE_EQ(d.LastAcquisition, p.lastAcquisition);

  // The last tick may be partial: the channels after the last word get no sample.
  devices::CDevice e;
  ASSERT_TRUE(BuildSamples(p, words.data(), words.size(), 4, clock, e));
  EXPECT_EQ(Channel(e, 0, o), (std::vector<Entry>{{0, 10}, {1, 11}, {2, 12}}));
  EXPECT_EQ(Channel(e, 2, o), (std::vector<Entry>{{0, 30}, {1, N}, {2, N}}));
}

TEST(Continuous, WrappedMemorySkipsTheBrokenTick) {
  // Two channels, multipliers 1 and 2: ticks store 2, 1, 2, 1, ... words. Capacity 6 and 11
  // written: ticks 1-7. The five lost words are ticks 1-3 whole; the memory starts at tick 4.
  Programme p = Prog({{0, 1}, {1, 2}}, false, 6);
  std::vector<std::uint16_t> mem = {40, 50, 51, 60, 70, 71};
  platform::FakeClock clock(At(2024, 6, 2));
  devices::CDevice d;
  ASSERT_TRUE(BuildSamples(p, mem.data(), mem.size(), 11, clock, d));
  const DateTime o = p.firstAcquisition;
  EXPECT_EQ(Channel(d, 0, o), (std::vector<Entry>{{3, 40}, {4, 50}, {5, 60}, {6, 70}}));
  EXPECT_EQ(Channel(d, 1, o), (std::vector<Entry>{{3, N}, {4, 51}, {5, N}, {6, 71}}));
  EXPECT_NEAR((d.FirstAcquisition - o) * 86400, 3, 1e-6);

  // 13 written: ticks 1-8 stored 12 words and tick 9 one more. The seven lost words are ticks
  // 1-4 and channel 1's word of tick 5, so memory word 0 (channel 2 of tick 5) is skipped and
  // the samples begin at tick 6.
  mem = {51, 60, 70, 71, 80, 90};
  devices::CDevice e;
  ASSERT_TRUE(BuildSamples(p, mem.data(), mem.size(), 13, clock, e));
  EXPECT_EQ(Channel(e, 0, o), (std::vector<Entry>{{5, 60}, {6, 70}, {7, 80}, {8, 90}}));
  EXPECT_EQ(Channel(e, 1, o), (std::vector<Entry>{{5, N}, {6, 71}, {7, N}, {8, N}}));
  EXPECT_NEAR((e.FirstAcquisition - o) * 86400, 5, 1e-6);
}

TEST(Event, RunsWithZerosBetweenThem) {
  const Programme p = Prog({{0, 1}, {2, 2}}, true);
  const std::uint16_t M = hm::kEventMarker;
  // Run 1 at 20/03 14:30:09: 5 words (ticks: 2, 1, 2). Run 2 at 20/03 15:00:00: 2 words (one
  // tick), the second word is channel 3's.
  const std::vector<std::uint16_t> words = {
      7, 7, M, 0x0509, 0x1E0E, 0x1403, 10, 30, 11, 12, 32,
      M, 0x0000, 0x000F, 0x1403, 20, 40, 21};
  platform::FakeClock clock(At(2024, 6, 2));
  devices::CDevice d;
  ASSERT_TRUE(BuildSamples(p, words.data(), words.size(), words.size(), clock, d));
  const DateTime o = At(2024, 3, 20, 14, 30, 9);
  const double r2 = 30 * 60 - 9;
  EXPECT_EQ(Channel(d, 0, o), (std::vector<Entry>{{0, 10}, {1, 11}, {2, 12}, {2, 0},
                                                  {r2, 0}, {r2, 20}, {r2 + 1, 21}}));
  EXPECT_EQ(Channel(d, 2, o), (std::vector<Entry>{{0, 30}, {1, N}, {2, 32}, {2, 0},
                                                  {r2, 0}, {r2, 40}, {r2 + 1, 0}}));
  EXPECT_DOUBLE_EQ(d.FirstAcquisition, o);
  EXPECT_NEAR((d.LastAcquisition - o) * 86400, r2 + 2, 1e-6);
}

TEST(Event, EndRuleInsideATick) {
  // Run 1 ends after channel 1's word of a tick where channel 3 would store: channel 3 gets 0.
  const Programme p = Prog({{0, 1}, {2, 1}}, true);
  const std::uint16_t M = hm::kEventMarker;
  const std::vector<std::uint16_t> words = {M, 0x0509, 0x1E0E, 0x1403, 10, 30, 11,
                                            M, 0x0509, 0x1E0E, 0x1403, 12, 32};
  platform::FakeClock clock(At(2024, 6, 2));
  devices::CDevice d;
  ASSERT_TRUE(BuildSamples(p, words.data(), words.size(), words.size(), clock, d));
  EXPECT_EQ(Channel(d, 0, At(2024, 3, 20, 14, 30, 9)),
            (std::vector<Entry>{{0, 10}, {1, 11}, {1, 0}, {0, 0}, {0, 12}}));
  EXPECT_EQ(Channel(d, 2, At(2024, 3, 20, 14, 30, 9)),
            (std::vector<Entry>{{0, 30}, {1, 0}, {1, 0}, {0, 0}, {0, 32}}));
}

// Memories that do not follow the layouts: each is rebuilt inside its buffers, or refused.
TEST(Robustness, HostileMemories) {
  const std::uint16_t M = hm::kEventMarker;
  const std::vector<std::uint16_t> good = {M, 0x0509, 0x1E0E, 0x1403, 10, 11};
  struct Case {
    const char* what;
    Programme p;
    std::vector<std::uint16_t> words;
    std::uint32_t total;
    bool built;
    std::uint32_t entries;  // per enabled channel
  } cases[] = {
      {"every word a marker", Prog({{0, 1}}, true), std::vector<std::uint16_t>(50, M), 50, false, 0},
      {"no marker", Prog({{0, 1}}, true), {1, 2, 3, 4, 5}, 5, false, 0},
      {"marker in the last word", Prog({{0, 1}}, true), {1, 2, M}, 3, false, 0},
      {"header cut short", Prog({{0, 1}}, true), {1, M, 0x0509, 0x1E0E}, 4, false, 0},
      {"header without samples", Prog({{0, 1}}, true), {M, 0x0509, 0x1E0E, 0x1403}, 4, false, 0},
      {"a marker with no date, then a run", Prog({{0, 1}}, true),
       {M, 0xFFFF, 0xFFFF, 0xFFFF, 9, M, 0x0509, 0x1E0E, 0x1403, 10, 11}, 11, true, 2},
      {"a marker inside a header", Prog({{0, 1}}, true),
       {M, 0x0509, M, 0x0509, 0x1E0E, 0x1403, 10}, 7, true, 1},
      {"empty runs leave no zeros", Prog({{0, 1}}, true),
       {M, 0x0509, 0x1E0E, 0x1403, M, 0x0509, 0x1E0E, 0x1403, 10, 11}, 10, true, 2},
      {"total written above the words read", Prog({{0, 1}}, false, 100),
       {1, 2, 3, 4, 5}, 1000000, true, 5},
      {"total written above what was read, not wrapped", Prog({{0, 1}}), {1, 2, 3}, 3000, true, 3},
      {"no channel enabled", Prog({}), {1, 2, 3}, 3, false, 0},
      {"nothing written", Prog({{0, 1}}), {1, 2, 3}, 0, false, 0},
      {"capacity 0", Prog({{0, 1}}, false, 0), {1, 2, 3}, 3, false, 0},
      {"event memory wrapped inside a run", Prog({{0, 1}}, true, 6),
       {10, 11, M, 0x0509, 0x1E0E, 0x1403}, 40, false, 0},
  };
  platform::FakeClock clock(At(2024, 6, 2));
  for (const Case& c : cases) {
    devices::CDevice d;
    EXPECT_EQ(BuildSamples(c.p, c.words.data(), c.words.size(), c.total, clock, d), c.built)
        << c.what;
    for (int ch = 0; ch < 8; ++ch) {
      const std::uint32_t want = c.built && c.p.enabled[ch] ? c.entries : 0;
      EXPECT_EQ(d.Counts[ch], want) << c.what << " channel " << ch + 1;
      if (d.Values.size() > static_cast<std::size_t>(ch)) {
        EXPECT_EQ(d.Values[ch].size(), d.Counts[ch]) << c.what;
        EXPECT_EQ(d.Times[ch].size(), d.Counts[ch]) << c.what;
      }
    }
  }
}

TEST(Robustness, HugeMultipliersAreHeldToTheEntryLimit) {
  // Channels storing once in 65,535 ticks: 300 words would make 19.6 million ticks. A small
  // limit keeps the test quick; it is shared among the enabled channels.
  std::vector<std::uint16_t> words(300, 5);
  platform::FakeClock clock(At(2024, 6, 2));
  devices::CDevice d;
  ASSERT_TRUE(BuildSamples(Prog({{0, 65535}, {5, 65535}}), words.data(), words.size(), 300, clock,
                           d, 200000));
  EXPECT_EQ(d.Counts[0], 100000u);
  EXPECT_EQ(d.Counts[5], 100000u);
  EXPECT_EQ(d.Values[0][0], 5.f);
  EXPECT_EQ(d.Values[0][1], N);
  EXPECT_EQ(d.Values[5][65535], 5.f);
  EXPECT_EQ(d.Values[5][65536], N);

  const std::uint16_t M = hm::kEventMarker;
  words = {M, 0x0509, 0x1E0E, 0x1403, 1, 2, 3, M, 0x0509, 0x1E0E, 0x1403, 4, 5, 6};
  devices::CDevice e;
  ASSERT_TRUE(BuildSamples(Prog({{0, 1000}}, true), words.data(), words.size(), 14, clock, e, 2500));
  // Run 1: 2001 ticks; run 2 starts with its zero entries and is cut after 497 ticks.
  EXPECT_EQ(e.Counts[0], 2500u);
  EXPECT_EQ(e.Values[0][2000], 3.f);
  EXPECT_EQ(e.Values[0][2001], 0.f);
  EXPECT_EQ(e.Values[0][2002], 0.f);
  EXPECT_EQ(e.Values[0][2003], 4.f);
}

}  // namespace
}  // namespace qg::collect
