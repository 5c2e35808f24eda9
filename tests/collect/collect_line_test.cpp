// Collections through the real link over a pseudo-terminal, from the simulated Harrowmeter
// running programmes in simulated time: every collected sample is checked against the word the
// simulator stored for that channel at that tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "collect/collect.h"
#include "harrowmeter/config.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "serial/link.h"
#include "sim/harrowmeter_model.h"
#include "sim/rtu_slave.h"

namespace qg::collect {
namespace {

namespace hm = qg::harrowmeter;
namespace reg = qg::harrowmeter::reg;
using platform::DateTime;
constexpr double kSecond = 1.0 / 86400.0;
constexpr float N = devices::kNoValue;

// Fails chosen requests with an exception, a given number of times.
class Gate final : public sim::SlaveDevice {
 public:
  explicit Gate(std::shared_ptr<sim::HarrowmeterModel> m) : m_(std::move(m)) {}
  void FailStage(int stage, int times) {
    stage_ = stage;
    left_ = times;
  }
  std::uint8_t ReadRegisters(std::uint16_t start, std::uint16_t count,
                             std::vector<std::uint16_t>& out) override {
    const int stage = start == 0 ? 1 : start == 125 ? 2 : start == 183 ? 5 : 0;
    if (Fails(stage)) return sim::kExIllegalAddress;
    return m_->ReadRegisters(start, count, out);
  }
  std::uint8_t WriteRegister(std::uint16_t r, std::uint16_t v, std::uint16_t& echoed) override {
    return m_->WriteRegister(r, v, echoed);
  }
  std::uint8_t ReadMemory(std::uint32_t start, std::uint32_t count,
                          std::vector<std::uint16_t>& out) override {
    if (Fails(3)) return sim::kExIllegalAddress;
    return m_->ReadMemory(start, count, out);
  }

 private:
  bool Fails(int stage) {
    if (stage != stage_ || left_ <= 0) return false;
    --left_;
    return true;
  }
  std::shared_ptr<sim::HarrowmeterModel> m_;
  std::atomic<int> stage_{0}, left_{0};
};

// Not a namespace-scope constant: the date helpers must not run during static initialisation.
DateTime ClockStart() { return *platform::EncodeDateTime(2024, 6, 1, 12, 0, 0); }

struct Line {
  explicit Line(std::uint32_t capacity = sim::HarrowmeterModel::kDefaultCapacity)
      : model(std::make_shared<sim::HarrowmeterModel>(1, ClockStart(), 120345, capacity)),
        gate(std::make_shared<Gate>(model)) {
    std::string error;
    if (!slave.OpenPty(error)) ADD_FAILURE() << error;
    slave.SetBaud(19200);
    slave.AddDevice(1, gate);
    ports.Set(1, slave.Path());
    slave.Start();
    link = std::make_unique<serial::Link>(serial::LinkVariant::Quillgraph, ports, clock);
    EXPECT_TRUE(link->DDM_OpenDriver(1, 19200)) << link->OpenError();
  }
  ~Line() {
    link.reset();
    slave.Stop();
  }
  void Write(std::uint16_t r, std::uint16_t v) {
    std::uint16_t echoed = 0;
    ASSERT_EQ(model->WriteRegister(r, v, echoed), 0) << r;
  }
  // Channels (index, multiplier), type 0 (the word is the value), one-second base interval.
  void Programme(std::vector<std::pair<int, int>> channels, std::uint16_t mode) {
    for (int ch = 0; ch < 8; ++ch) Write(reg::ChannelSetup(ch), 0);
    for (auto [ch, m] : channels) {
      Write(reg::ChannelSetup(ch), 0x0080);
      Write(reg::Multiplier(ch), static_cast<std::uint16_t>(m));
    }
    Write(reg::kIntervalTenthsSec, hm::PackBytes(0, 1));
    Write(reg::kIntervalMinHour, 0);
    Write(reg::kLoggingMode, mode);
  }
  void HoldReadings(int run, int tick) {
    for (int ch = 0; ch < 8; ++ch) model->SetReading(ch, Code(run, tick, ch));
  }
  static std::int16_t Code(int run, int tick, int ch) {
    return static_cast<std::int16_t>(run * 4000 + tick * 8 + ch);  // run 0: ticks below 4096
  }
  CollectOutcome Collect(const ProgressFn& progress = {}) {
    platform::FakeClock now(model->ClockNow());
    CollectRequest req{"Forno", "Harrowmeter", 1, 3};
    return collect::Collect(req, *link, now, progress);
  }

  sim::RtuSlave slave;
  std::shared_ptr<sim::HarrowmeterModel> model;
  std::shared_ptr<Gate> gate;
  platform::PortMap ports;
  platform::SystemClock clock;
  std::unique_ptr<serial::Link> link;
};

// A continuous programme of `ticks` base ticks, each tick's readings naming it.
void RunContinuous(Line& line, int ticks) {
  line.HoldReadings(0, 1);
  line.Write(reg::kAcquisitionCommand, hm::kCommandStart);  // tick 1 at once
  for (int n = 2; n <= ticks; ++n) {
    line.HoldReadings(0, n);
    line.model->Advance(1000);
  }
}

int TickOf(std::uint16_t word) { return static_cast<std::int16_t>(word) / 8; }
int ChannelOf(std::uint16_t word) { return static_cast<std::int16_t>(word) % 8; }

// Checks a continuous collection against the simulator's memory: every sample sits at its own
// tick's time, every channel has one entry per tick, and the samples are exactly the stored
// words from the first whole tick on.
void CheckContinuous(const Line& line, const devices::CDevice& d,
                     const std::vector<std::pair<int, int>>& channels) {
  const std::vector<std::uint16_t> memory = line.model->Memory();
  ASSERT_FALSE(memory.empty());
  std::set<std::pair<int, int>> stored, collected;
  const DateTime first = d.FirstAcquisition;
  const int firstTick = static_cast<int>(std::lround((first - ClockStart()) / kSecond));
  int skipped = 0;
  for (std::size_t i = 0; i < memory.size(); ++i) {
    if (TickOf(memory[i]) <= firstTick) {
      ++skipped;
      EXPECT_EQ(TickOf(memory[i]), firstTick) << "only the broken tick is skipped";
    } else {
      stored.insert({TickOf(memory[i]), ChannelOf(memory[i])});
    }
  }
  EXPECT_LT(skipped, 8);
  std::uint32_t count = 0;
  for (auto [ch, m] : channels) {
    if (count == 0) count = d.Counts[ch];
    ASSERT_EQ(d.Counts[ch], count) << "channel " << ch + 1;
    for (std::uint32_t i = 0; i < d.Counts[ch]; ++i) {
      const int tick = firstTick + static_cast<int>(i);  // 0-based from the start
      EXPECT_NEAR((d.Times[ch][i] - ClockStart()) / kSecond, tick, 1e-3);
      const float v = d.Values[ch][i];
      if (v == N) {
        const bool lastTick = i + 1 == d.Counts[ch];
        EXPECT_TRUE(tick % m != 0 || lastTick) << "channel " << ch + 1 << " tick " << tick;
        continue;
      }
      EXPECT_EQ(tick % m, 0) << "channel " << ch + 1 << " stores every " << m << " ticks";
      EXPECT_EQ(ChannelOf(static_cast<std::uint16_t>(v)), ch);
      EXPECT_EQ(TickOf(static_cast<std::uint16_t>(v)), tick + 1);
      collected.insert({tick + 1, ch});
    }
  }
  for (int ch = 0; ch < 8; ++ch) {
    const bool on = std::any_of(channels.begin(), channels.end(), [&](auto c) { return c.first == ch; });
    if (!on) {
      EXPECT_EQ(d.Counts[ch], 0u);
    }
  }
  EXPECT_EQ(collected.size(), stored.size());
  EXPECT_EQ(collected, stored);
}

TEST(CollectLine, ContinuousWithMultipliers) {
  Line line;
  const std::vector<std::pair<int, int>> channels = {{0, 1}, {2, 2}, {7, 5}};
  line.Programme(channels, 0);
  RunContinuous(line, 450);
  std::vector<ProgressState> seen;
  CollectOutcome out = line.Collect([&](const ProgressState& s) { seen.push_back(s); });
  ASSERT_EQ(out.result, kCollectOk) << out.data.ErrorCode;
  const devices::CDevice& d = out.data;
  EXPECT_EQ(d.ErrorCode, 0);
  EXPECT_EQ(d.Name, "Forno");
  EXPECT_EQ(d.SourceType, "Harrowmeter");
  EXPECT_EQ(d.SerialNumber, "00120345");
  EXPECT_EQ(d.Title, "Harrowmeter 1");
  EXPECT_EQ(d.ChannelCount, 3);
  EXPECT_EQ(d.Multiplier[7], 5);
  EXPECT_EQ(d.Counts[0], 450u);
  EXPECT_DOUBLE_EQ(d.FirstAcquisition, ClockStart());
  EXPECT_NEAR((d.LastAcquisition - ClockStart()) / kSecond, 449, 1e-3);
  CheckContinuous(line, d, channels);

  // The progress window: three stages, each from 0 to 100, hidden at the end.
  std::vector<std::string> labels;
  for (const auto& s : seen) {
    EXPECT_EQ(s.caption, "Coleta");
    if (s.visible && (labels.empty() || labels.back() != s.label)) labels.push_back(s.label);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"Lendo 1ª parte Configuração",
                                              "Lendo 2ª parte Configuração",
                                              "Coletando as aquisições"}));
  ASSERT_FALSE(seen.empty());
  EXPECT_FALSE(seen.back().visible);
  EXPECT_EQ(seen[seen.size() - 2].bar, 100);
}

TEST(CollectLine, WrappedMemoryWithATailBlock) {
  // 3000 words: not a multiple of the block, so the newest words sit in a short last block.
  Line line(3000);
  const std::vector<std::pair<int, int>> channels = {{0, 1}, {1, 3}, {3, 2}};
  line.Programme(channels, 1);  // wrap
  RunContinuous(line, 2400);    // about 4400 words
  ASSERT_GT(line.model->TotalWritten(), 3000u);
  CollectOutcome out = line.Collect();
  ASSERT_EQ(out.result, kCollectOk) << out.data.ErrorCode;
  CheckContinuous(line, out.data, channels);
  // The newest tick was collected.
  EXPECT_NEAR((out.data.Times[0][out.data.Counts[0] - 1] - ClockStart()) / kSecond, 2399, 1e-3);
}

TEST(CollectLine, EventRuns) {
  Line line;
  line.Programme({{0, 1}, {1, 2}}, (2 << 3) | (3 << 1));  // by the digital input, both ways
  line.Write(reg::kAcquisitionCommand, hm::kCommandStart);
  const int lengths[3] = {7, 4, 10};
  std::vector<DateTime> starts;
  for (int r = 0; r < 3; ++r) {
    line.model->Advance(r == 1 ? 60500 : 30000);  // the second run starts half a second in
    starts.push_back(platform::TruncateToSeconds(line.model->ClockNow()));
    line.HoldReadings(r, 1);
    line.model->SetDigitalInput(true);
    for (int n = 2; n <= lengths[r]; ++n) {
      line.HoldReadings(r, n);
      line.model->Advance(1000);
    }
    line.model->SetDigitalInput(false);
  }
  CollectOutcome out = line.Collect();
  ASSERT_EQ(out.result, kCollectOk) << out.data.ErrorCode;
  const devices::CDevice& d = out.data;

  // What each channel must show: per run its ticks; between runs a fall to zero.
  const int mult[2] = {1, 2};
  for (int ch = 0; ch < 2; ++ch) {
    std::vector<std::pair<double, float>> want;
    for (int r = 0; r < 3; ++r) {
      if (r > 0) want.push_back({starts[r], 0.f});
      for (int n = 1; n <= lengths[r]; ++n) {
        const DateTime t = starts[r] + (n - 1) * kSecond;
        const bool stores = (n - 1) % mult[ch] == 0;
        // In the run's last tick, a channel after the run's last word gets zero.
        const bool afterEnd = n == lengths[r] && !stores && ch == 1;
        want.push_back({t, stores ? static_cast<float>(Line::Code(r, n, ch)) : afterEnd ? 0.f : N});
      }
      if (r < 2) want.push_back({want.back().first, 0.f});
    }
    ASSERT_EQ(d.Counts[ch], want.size()) << "channel " << ch + 1;
    for (std::size_t i = 0; i < want.size(); ++i) {
      EXPECT_NEAR((d.Times[ch][i] - want[i].first) / kSecond, 0, 1e-3) << ch << " " << i;
      EXPECT_EQ(d.Values[ch][i], want[i].second) << ch << " " << i;
    }
  }
  EXPECT_DOUBLE_EQ(d.FirstAcquisition, starts[0]);
  EXPECT_NEAR((d.LastAcquisition - starts[2]) / kSecond, lengths[2], 1e-3);
}

TEST(CollectLine, FailedRequestsGiveTheirStageAndTheLinkError) {
  struct Case {
    int stage, failures, result;
  } cases[] = {
      {1, 3, kCollectConfig1Failed}, {2, 3, kCollectConfig2Failed},
      {3, 3, kCollectMemoryFailed},  {5, 3, kCollectTotalFailed},
      {1, 2, kCollectOk},            {3, 2, kCollectOk},
  };
  Line line;
  line.Programme({{0, 1}}, 0);
  RunContinuous(line, 20);
  for (const Case& c : cases) {
    line.gate->FailStage(c.stage, c.failures);
    CollectOutcome out = line.Collect();
    EXPECT_EQ(out.result, c.result) << "stage " << c.stage;
    // An exception reply is shorter than the reply the link waits for.
    EXPECT_EQ(out.data.ErrorCode, c.result == kCollectOk ? 0 : serial::kErrTimeout);
    EXPECT_EQ(out.data.Counts[0], c.result == kCollectOk ? 20u : 0u);
    EXPECT_EQ(CollectResultText(out.result).empty(), c.result == kCollectOk);
  }
  line.gate->FailStage(0, 0);
}

TEST(CollectLine, NothingStored) {
  Line line;
  CollectOutcome out = line.Collect();
  EXPECT_EQ(out.result, kCollectNothing);
  EXPECT_EQ(out.data.ErrorCode, 0);
  EXPECT_EQ(CollectResultText(out.result), "Não há aquisições para coletar!");
  EXPECT_EQ(out.data.Title, "Harrowmeter 1");  // the image was decoded all the same
}

}  // namespace
}  // namespace qg::collect
