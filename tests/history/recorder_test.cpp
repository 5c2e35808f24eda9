#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

#include "history/history.h"
#include "history_fixture.h"
#include "platform/clock.h"
#include "plugins/plugin_host.h"

namespace qg::history {
namespace {

using testing::Le16;

constexpr double kDay = 45000.0;
double At(int h, int m, int s, int ms = 0) { return kDay + *platform::EncodeTime(h, m, s, ms); }

class Recorder : public testing::TempDir {
 protected:
  void SetUp() override {
    TempDir::SetUp();
    host_ = std::make_unique<plugins::PluginHost>(dir_);  // no plug-in: devices are set up here
  }
  // A device with parameters P1..P3 whose latest values are given.
  devices::CDevice& AddDevice(const std::string& name, std::vector<float> values) {
    devices::DEV_ID id;
    id.Name = name;
    id.DeviceType = id.DeviceType2 = "Harrowmeter";
    auto& d = devices_.Create(id, *host_);
    d.ChannelCount = static_cast<std::uint8_t>(values.size());
    std::uint32_t ones[devices::kMaxParams];
    std::fill(std::begin(ones), std::end(ones), 1u);
    d.RebuildValueStorage(ones, static_cast<int>(values.size()));
    for (std::size_t p = 0; p < values.size(); ++p) {
      d.ParamNames[p] = "P" + std::to_string(p + 1);
      d.SetLatestValue(static_cast<int>(p), values[p]);
    }
    return d;
  }
  HIST_ID Id(std::uint16_t scan = 1) {
    HIST_ID id;
    id.FileName = Path("rec.hst");
    id.ScanToSave = scan;
    for (int k = 8; k < kChannels; ++k) id.DeviceNames[k] = "Nenhum";
    return id;
  }
  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) {
      clock_.AdvanceMs(1000);
      HistoryTick(list_, devices_, clock_);
    }
  }
  std::vector<HistoryRecord> Records() {
    const auto b = ReadBytes(Path("rec.hst"));
    std::vector<HistoryRecord> out;
    for (std::size_t at = kDataOffset; at + kRecordSize <= b.size(); at += kRecordSize)
      out.push_back(DecodeRecord(&b[at]));
    return out;
  }

  std::unique_ptr<plugins::PluginHost> host_;
  devices::DeviceList devices_;
  HistoryList list_;
  platform::FakeClock clock_{At(8, 0, 0)};
};

TEST_F(Recorder, FirstRecordAtFirstTickThenEveryScanToSaveTicks) {
  struct Case { std::uint16_t scan; int ticks; std::vector<int> recordTicks; };
  for (const Case& c : {Case{1, 3, {1, 2, 3}}, Case{3, 7, {1, 4, 7}}, Case{5, 5, {1}}}) {
    AddDevice("A", {10});
    auto id = Id(c.scan);
    id.DeviceNames[0] = "A";
    id.ParamNames[0] = "P1";
    clock_.SetNow(At(8, 0, 0));
    CHistory* h = OpenHistory(list_, id, HistoryCreate);
    ASSERT_TRUE(h);
    Tick(c.ticks);
    const auto rs = Records();
    ASSERT_EQ(rs.size(), c.recordTicks.size()) << c.scan;
    for (std::size_t i = 0; i < rs.size(); ++i)
      EXPECT_DOUBLE_EQ(rs[i].Time, At(8, 0, c.recordTicks[i])) << c.scan;
    CloseHistory(list_, h);
    devices_.Remove(devices_.Find("A"));
  }
}

TEST_F(Recorder, HeaderFromFirstPenWithADeviceAndRawTruncatedValues) {
  auto& b = AddDevice("B", {-9999.0f, 123.7f, -5.9f});
  b.Title = "Linha 2";
  b.FirmwareVersion = 210;
  b.SerialNumber = "S9";
  b.DecimalPoint[2] = 1;
  b.InputType[2] = 4;
  b.LowLimit[2] = -100;
  b.HighLimit[2] = 900;
  b.Multiplier[2] = 1;
  auto id = Id(36000);
  id.DeviceNames[0] = "Nenhum";  // pen 1 has no device
  id.DeviceNames[2] = "B";
  id.ParamNames[2] = "P2";
  id.Tags[2] = "Temp";
  id.Units[2] = "°C";
  id.DeviceNames[3] = "B";
  id.ParamNames[3] = "P1";
  id.DeviceNames[4] = "B";
  id.ParamNames[4] = "Nope";
  id.DeviceNames[5] = "Gone";
  id.ParamNames[5] = "P1";
  id.DeviceNames[6] = "B";
  id.ParamNames[6] = "P3";
  clock_.SetNow(At(10, 0, 4, 700));
  CHistory* h = OpenHistory(list_, id, HistoryCreate);
  ASSERT_TRUE(h);
  ASSERT_TRUE(WriteRecord(*h, devices_, clock_));
  const auto bytes = ReadBytes(Path("rec.hst"));
  ASSERT_EQ(bytes.size(), kDataOffset + kRecordSize);
  const auto hd = DecodeHeader(bytes.data());
  EXPECT_EQ(hd.DeviceType, "Harrowmeter");
  EXPECT_EQ(hd.Title, "Linha 2");
  EXPECT_EQ(hd.FirmwareVersion, 210);
  EXPECT_EQ(hd.SerialNumber, "S9");
  EXPECT_EQ(hd.Hours, 10);
  EXPECT_EQ(hd.Minutes, 0);
  EXPECT_EQ(hd.Seconds, 0);
  EXPECT_EQ(hd.Milliseconds, 0);
  const std::vector<std::uint8_t> zeros(kChannelBlockSize, 0);
  for (int k : {0, 1, 5, 8, 15})
    EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), bytes.begin() + 70 + 98 * k)) << k;
  const auto c2 = DecodeChannelBlock(&bytes[70 + 98 * 2]);
  EXPECT_EQ(c2.Present, 1);
  EXPECT_EQ(c2.DeviceType, "Harrowmeter");
  EXPECT_EQ(c2.DeviceName, "B");
  EXPECT_EQ(c2.ParamName, "P2");
  EXPECT_EQ(c2.Tag, "Temp");
  EXPECT_EQ(c2.Unit, "°C");
  EXPECT_EQ(c2.DecimalPoint, 1);
  EXPECT_EQ(c2.InputType, 4);
  EXPECT_EQ(c2.LowLimit, -100);
  EXPECT_EQ(c2.HighLimit, 900);
  EXPECT_EQ(c2.Multiplier, 1);
  const auto r = DecodeRecord(&bytes[kDataOffset]);
  EXPECT_DOUBLE_EQ(r.Time, At(10, 0, 4));
  EXPECT_EQ(r.Raw[2], 123);
  EXPECT_EQ(r.Raw[3], -9999);
  EXPECT_EQ(r.Raw[4], 0);  // parameter not among the device's
  EXPECT_EQ(r.Raw[5], 0);  // device gone
  EXPECT_EQ(r.Raw[6], -5);
  EXPECT_EQ(r.Raw[0], 0);
}

TEST_F(Recorder, IntervalFieldsFromScanToSave) {
  struct Case { std::uint16_t s; int h, m, sec; };
  for (const auto& c : {Case{1, 0, 0, 1}, Case{59, 0, 0, 59}, Case{90, 0, 1, 30},
                        Case{3600, 1, 0, 0}, Case{3723, 1, 2, 3}, Case{36000, 10, 0, 0}}) {
    const auto h = IntervalOf(c.s);
    EXPECT_EQ(h.Hours, c.h) << c.s;
    EXPECT_EQ(h.Minutes, c.m) << c.s;
    EXPECT_EQ(h.Seconds, c.sec) << c.s;
    EXPECT_EQ(h.Milliseconds, 0);
  }
}

TEST_F(Recorder, NothingIsWrittenUntilAPenNamesADevice) {
  auto id = Id();
  id.DeviceNames[0] = "Later";
  id.ParamNames[0] = "P1";
  CHistory* h = OpenHistory(list_, id, HistoryCreate);
  ASSERT_TRUE(h);
  Tick(2);
  EXPECT_EQ(ReadBytes(Path("rec.hst")).size(), 0u);
  AddDevice("Later", {42});
  Tick();
  const auto rs = Records();
  ASSERT_EQ(rs.size(), 1u);
  EXPECT_EQ(rs[0].Raw[0], 42);
}

TEST_F(Recorder, AppendAfterACutRecordKeepsEveryWholeRecordAndTheHeader) {
  auto& a = AddDevice("A", {7});
  a.Title = "Old";
  auto id = Id();
  id.DeviceNames[0] = "A";
  id.ParamNames[0] = "P1";
  CHistory* h = OpenHistory(list_, id, HistoryCreate);
  Tick(2);
  CloseHistory(list_, h);
  auto bytes = ReadBytes(Path("rec.hst"));
  ASSERT_EQ(bytes.size(), kDataOffset + 2 * kRecordSize);
  bytes.insert(bytes.end(), 40, 0xEE);  // a record cut by a crash
  WriteBytes(Path("rec.hst"), bytes);

  a.Title = "New";
  a.SetLatestValue(0, 8);
  id.Units[0] = "bar";
  h = OpenHistory(list_, id, HistoryAppend);
  ASSERT_TRUE(h);
  EXPECT_TRUE(h->HeaderWritten);
  Tick();
  const auto after = ReadBytes(Path("rec.hst"));
  ASSERT_EQ(after.size(), kDataOffset + 3 * kRecordSize);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + kDataOffset + 2 * kRecordSize,
                         after.begin()));
  const auto rs = Records();
  EXPECT_EQ(rs[1].Raw[0], 7);
  EXPECT_EQ(rs[2].Raw[0], 8);
  EXPECT_DOUBLE_EQ(rs[2].Time, At(8, 0, 3));
  const auto load = LoadGraph(Path("rec.hst"));
  ASSERT_TRUE(load.data);
  EXPECT_EQ(load.data->Counts[0], 3u);
  EXPECT_EQ(load.data->Title, "Old");
}

TEST_F(Recorder, ContinuingAnEmptyFileStartsItAndAShortOneIsRefusedUntouched) {
  AddDevice("A", {5});
  auto id = Id();
  id.DeviceNames[0] = "A";
  id.ParamNames[0] = "P1";
  WriteBytes(Path("rec.hst"), {});  // left by a recorder that never found its device
  CHistory* h = OpenHistory(list_, id, HistoryAppend);
  ASSERT_TRUE(h);
  EXPECT_FALSE(h->HeaderWritten);
  Tick();
  CloseHistory(list_, h);
  const auto load = LoadGraph(Path("rec.hst"));
  ASSERT_TRUE(load.data);
  EXPECT_EQ(load.data->ErrorCode, 0);
  EXPECT_EQ(load.data->Counts[0], 1u);

  // Bytes that cannot be a history file are somebody's data: continuing them is refused.
  const std::vector<std::uint8_t> other(100, 0x33);
  WriteBytes(Path("other.hst"), other);
  id.FileName = Path("other.hst");
  std::string error;
  EXPECT_FALSE(OpenHistory(list_, id, HistoryAppend, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadBytes(Path("other.hst")), other);
}

TEST_F(Recorder, SecondWriterRefusedWithoutTouchingTheFileReadersLetIn) {
  AddDevice("A", {1});
  auto id = Id();
  id.DeviceNames[0] = "A";
  id.ParamNames[0] = "P1";
  CHistory* w = OpenHistory(list_, id, HistoryCreate);
  ASSERT_TRUE(w);
  Tick(2);
  std::string error;
  HistoryList other;
  EXPECT_FALSE(OpenHistory(other, id, HistoryCreate, &error));
  EXPECT_NE(error.find("being written by another program"), std::string::npos) << error;
  EXPECT_FALSE(OpenHistory(other, id, HistoryAppend, &error));
  EXPECT_EQ(ReadBytes(Path("rec.hst")).size(), kDataOffset + 2 * kRecordSize);  // not truncated
  // Another program asking for the same lock is refused as well.
  const std::string cmd = "flock -n -x '" + Path("rec.hst") + "' true";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  const auto load = LoadGraph(Path("rec.hst"));
  ASSERT_TRUE(load.data);
  EXPECT_EQ(load.data->Counts[0], 2u);
  CloseHistory(list_, w);
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(OpenHistory(other, id, HistoryAppend, &error));
}

TEST_F(Recorder, FailedWriteIsReportedAndTheNextTickWritesAWholeRecord) {
  AddDevice("A", {3});
  auto id = Id();
  id.DeviceNames[0] = "A";
  id.ParamNames[0] = "P1";
  CHistory* h = OpenHistory(list_, id, HistoryCreate);
  ASSERT_TRUE(h);
  std::vector<WriteFailure> failures;
  h->SetWriteFailureHandler([&](const WriteFailure& f) { failures.push_back(f); });
  Tick();  // header and first record

  // A full medium: the file may not grow past 40 bytes of the next record.
  auto* old = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = kDataOffset + kRecordSize + 40;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Tick();
  Tick();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
  std::signal(SIGXFSZ, old);

  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].fileName, Path("rec.hst"));
  EXPECT_EQ(failures[0].errnum, EFBIG);
  EXPECT_EQ(ReadBytes(Path("rec.hst")).size(), kDataOffset + kRecordSize + 40);
  Tick();
  EXPECT_EQ(failures.size(), 2u);
  const auto rs = Records();
  ASSERT_EQ(rs.size(), 2u);
  EXPECT_EQ(ReadBytes(Path("rec.hst")).size(), kDataOffset + 2 * kRecordSize);
  EXPECT_DOUBLE_EQ(rs[1].Time, At(8, 0, 4));
  EXPECT_EQ(rs[1].Raw[0], 3);
}

TEST_F(Recorder, PensChangedComparesNamesAndFileOnly) {
  auto id = Id();
  id.DeviceNames[0] = "A";
  id.ParamNames[0] = "P1";
  CHistory* h = OpenHistory(list_, id, HistoryCreate);
  ASSERT_TRUE(h);
  EXPECT_FALSE(PensChanged(*h, id));
  auto same = id;
  same.Tags[0] = "x";
  same.Units[3] = "y";
  same.ScanToSave = 99;
  EXPECT_FALSE(PensChanged(*h, same));
  auto a = id;
  a.DeviceNames[15] = "Z";
  auto b = id;
  b.ParamNames[0] = "p1";
  auto c = id;
  c.FileName += "x";
  for (const auto& changed : {a, b, c}) EXPECT_TRUE(PensChanged(*h, changed));
  SetScanToSave(*h, 0);
  EXPECT_EQ(GetScanToSave(*h), 1);
  SetScanToSave(*h, 600);
  EXPECT_EQ(GetScanToSave(*h), 600);
  EXPECT_EQ(GetFileName(*h), Path("rec.hst"));
  EXPECT_EQ(list_.Size(), 1u);
  CloseHistory(list_, nullptr);
  CloseHistory(list_, h);
  EXPECT_EQ(list_.Size(), 0u);
}

TEST(RawOf, TruncatesTowardZeroWithinSixteenBits) {
  struct Case { float in; std::int16_t out; } cases[] = {
      {123.7f, 123}, {-5.9f, -5}, {-9999.0f, -9999}, {40000.0f, -25536}, {1e9f, 32767},
      {-1e9f, -32768}, {std::numeric_limits<float>::quiet_NaN(), 0}};
  for (const auto& c : cases) EXPECT_EQ(RawOf(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace qg::history
