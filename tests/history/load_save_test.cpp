#include <gtest/gtest.h>

#include "history/history.h"
#include "history_fixture.h"

namespace qg::history {
namespace {

using testing::Le16;
using testing::MakeFile;

class LoadSave : public testing::TempDir {
 protected:
  // Channels 1 and 3 present; channel 2 has present byte 2.
  std::vector<std::uint8_t> Sample(int records, std::uint8_t decimals = 1) {
    HistoryHeader h;
    h.DeviceType = "Harrowmeter";
    h.Title = "Forno";
    h.FirmwareVersion = 105;
    h.SerialNumber = "77";
    h.Minutes = 1;
    h.Seconds = 30;
    std::array<HistoryChannelBlock, kChannels> b{};
    b[0].Present = 1;
    b[0].Tag = "T1";
    b[0].Unit = "°C";
    b[0].DecimalPoint = decimals;
    b[0].LowLimit = -10;
    b[0].HighLimit = 500;
    b[0].Multiplier = 1;
    b[0].InputType = 3;
    b[1].Present = 2;
    b[2].Present = 1;
    b[2].Tag = "T3";
    std::vector<HistoryRecord> rs;
    for (int i = 0; i < records; ++i) {
      HistoryRecord r;
      r.Time = 45000.0 + i / 86400.0;
      r.Raw[0] = static_cast<std::int16_t>(253 + i);
      r.Raw[1] = 7;
      r.Raw[2] = i == 1 ? kNoValueRaw : static_cast<std::int16_t>(-i);
      rs.push_back(r);
    }
    return MakeFile(h, b, rs);
  }
};

TEST_F(LoadSave, HeaderOnlyFileLoadsPresentChannelsWithoutSamples) {
  WriteBytes(Path("a.hst"), Sample(0));
  ASSERT_EQ(ReadBytes(Path("a.hst")).size(), 1638u);
  const auto r = LoadGraph(Path("a.hst"));
  ASSERT_TRUE(r.data);
  const auto& d = *r.data;
  EXPECT_EQ(d.ErrorCode, 0);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(d.ChannelCount, 16);
  EXPECT_EQ(d.SourceType, "Harrowmeter");
  EXPECT_EQ(d.Title, "Forno");
  EXPECT_EQ(d.FirmwareVersion, 105);
  EXPECT_EQ(d.Units[0], "°C");
  EXPECT_EQ(d.LowLimit[0], -10);
  EXPECT_NEAR(d.BaseInterval * 86400.0, 90.0, 1e-6);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(d.Counts[k], 0u) << k;
  EXPECT_EQ(d.FirstAcquisition, 0.0);
  EXPECT_EQ(d.LastAcquisition, 0.0);
}

TEST_F(LoadSave, CutTailIgnoredAndPresentByteMustBeExactlyOne) {
  auto bytes = Sample(3);
  bytes.insert(bytes.end(), 40, 0x5A);
  WriteBytes(Path("a.hst"), bytes);
  const auto r = LoadGraph(Path("a.hst"));
  ASSERT_TRUE(r.data);
  const auto& d = *r.data;
  EXPECT_EQ(d.Counts[0], 3u);
  EXPECT_EQ(d.Counts[1], 0u);  // present byte 2
  EXPECT_TRUE(d.Values[1].empty());
  EXPECT_EQ(d.Counts[2], 3u);
  EXPECT_FLOAT_EQ(d.Values[0][2], 25.5f);
  EXPECT_EQ(d.Values[2][1], -9999.0f);
  EXPECT_EQ(d.Values[2][2], -2.0f);
  EXPECT_DOUBLE_EQ(d.Times[2][2], 45000.0 + 2 / 86400.0);
  EXPECT_DOUBLE_EQ(d.FirstAcquisition, 45000.0);
  EXPECT_DOUBLE_EQ(d.LastAcquisition, 45000.0 + 2 / 86400.0);
}

TEST_F(LoadSave, InvalidBaseIntervalIsRefused) {
  struct Case { int h, m, s, ms; } cases[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0},
                                              {0, 0, 0, 1000}, {65535, 0, 0, 0}};
  for (const auto& c : cases) {
    auto bytes = Sample(2);
    bytes[62] = static_cast<std::uint8_t>(c.h & 0xFF);
    bytes[63] = static_cast<std::uint8_t>(c.h >> 8);
    bytes[64] = static_cast<std::uint8_t>(c.m);
    bytes[66] = static_cast<std::uint8_t>(c.s);
    bytes[68] = static_cast<std::uint8_t>(c.ms & 0xFF);
    bytes[69] = static_cast<std::uint8_t>(c.ms >> 8);
    WriteBytes(Path("a.hst"), bytes);
    const auto r = LoadGraph(Path("a.hst"));
    ASSERT_TRUE(r.data);
    EXPECT_EQ(r.data->ErrorCode, 1) << c.h << ":" << c.m << ":" << c.s << "." << c.ms;
    EXPECT_EQ(r.message, "Formato de Histórico inválido");
    EXPECT_EQ(r.data->Counts[0], 0u);
  }
}

TEST_F(LoadSave, FilesShorterThanTheirChannelBlocksAreRefused) {
  const auto full = Sample(0);
  for (std::size_t size : {0u, 1u, 69u, 70u, 71u, 1000u, 1637u}) {
    WriteBytes(Path("a.hst"), {full.begin(), full.begin() + static_cast<long>(size)});
    const auto r = LoadGraph(Path("a.hst"));
    ASSERT_TRUE(r.data) << size;
    EXPECT_EQ(r.data->ErrorCode, 1) << size;
    EXPECT_EQ(r.message, "Formato de Histórico inválido");
  }
}

TEST_F(LoadSave, MissingFileGivesTheSystemErrorAndNoDataSet) {
  const auto r = LoadGraph(Path("none.hst"));
  EXPECT_FALSE(r.data);
  EXPECT_NE(r.message.find("No such file"), std::string::npos) << r.message;
}

TEST_F(LoadSave, RawValuesSurviveLoadAndSaveForEveryDecimalPoint) {
  for (std::uint8_t d : {0, 1, 2, 3}) {
    WriteBytes(Path("a.hst"), Sample(3, d));
    const auto r = LoadGraph(Path("a.hst"));
    ASSERT_TRUE(r.data);
    const float expect[] = {253.0f, 25.3f, 2.53f, 0.253f};
    EXPECT_FLOAT_EQ(r.data->Values[0][0], expect[d]);
    ASSERT_TRUE(SaveGraph(Path("b.hst"), *r.data));
    const auto saved = ReadBytes(Path("b.hst"));
    ASSERT_EQ(saved.size(), 1638u + 3 * 72);
    for (int i = 0; i < 3; ++i) {
      const std::size_t rec = 1638 + 72 * static_cast<std::size_t>(i);
      EXPECT_EQ(Le16(saved, rec + 8), 253 + i) << int(d);
      EXPECT_EQ(Le16(saved, rec + 8 + 4), 0) << "channel 2 has no values";
      EXPECT_EQ(Le16(saved, rec + 8 + 8), i == 1 ? -9999 : -i) << int(d);
    }
  }
}

TEST_F(LoadSave, SavedHeaderAndBlocksMatchTheDataSet) {
  WriteBytes(Path("a.hst"), Sample(2));
  const auto r = LoadGraph(Path("a.hst"));
  ASSERT_TRUE(r.data);
  ASSERT_TRUE(SaveGraph(Path("b.hst"), *r.data));
  const auto a = ReadBytes(Path("a.hst"));
  const auto b = ReadBytes(Path("b.hst"));
  ASSERT_EQ(b.size(), a.size());
  // The header is the same byte for byte.
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + 70, b.begin()));
  const auto c0 = DecodeChannelBlock(&b[70]);
  EXPECT_EQ(c0.Present, 1);
  EXPECT_EQ(c0.DeviceType, "Harrowmeter");
  EXPECT_EQ(c0.Unit, "°C");
  EXPECT_EQ(c0.HighLimit, 500);
  const auto c1 = DecodeChannelBlock(&b[70 + 98]);
  EXPECT_EQ(c1.Present, 0);
  EXPECT_EQ(c1.DeviceType, "Harrowmeter");  // written for every channel
  EXPECT_EQ(c1.Tag, "");
}

TEST_F(LoadSave, SaveTakesTimesFromTheFirstLargestChannel) {
  devices::CDevice d;
  d.BaseInterval = *platform::EncodeTime(0, 0, 1, 500);
  d.Counts[1] = 3;
  d.Counts[4] = 3;
  d.Values.assign(16, {});
  d.Times.assign(16, {});
  d.Values[1] = {1, 2, 3};
  d.Times[1] = {10.0, 11.0, 12.0};
  d.Values[4] = {4, 5, 6};
  d.Times[4] = {20.0, 21.0, 22.0};
  ASSERT_TRUE(SaveGraph(Path("b.hst"), d));
  const auto b = ReadBytes(Path("b.hst"));
  ASSERT_EQ(b.size(), 1638u + 3 * 72);
  EXPECT_EQ(b[66], 1);
  EXPECT_EQ(Le16(b, 68), 500);
  EXPECT_EQ(DecodeRecord(&b[1638 + 72]).Time, 11.0);
  EXPECT_EQ(DecodeRecord(&b[1638 + 144]).Raw[4], 6);
  EXPECT_EQ(DecodeChannelBlock(&b[70]).Present, 0);
  EXPECT_EQ(DecodeChannelBlock(&b[70 + 98]).Present, 1);
}

TEST_F(LoadSave, SaveRoundsAndHoldsValuesInSixteenBits) {
  devices::CDevice d;
  d.Counts[0] = 4;
  d.DecimalPoint[0] = 2;
  d.Values.assign(16, {});
  d.Times.assign(16, {});
  d.Values[0] = {1.005f, -0.256f, 1000.0f, -1000.0f};
  d.Times[0] = {1, 2, 3, 4};
  ASSERT_TRUE(SaveGraph(Path("b.hst"), d));
  const auto b = ReadBytes(Path("b.hst"));
  EXPECT_EQ(Le16(b, 1638 + 8), 100);  // 1.005f is 1.00499999...
  EXPECT_EQ(Le16(b, 1638 + 72 + 8), -26);
  EXPECT_EQ(Le16(b, 1638 + 144 + 8), 32767);
  EXPECT_EQ(Le16(b, 1638 + 216 + 8), -32768);
}

TEST_F(LoadSave, DamagedDecimalPointIsHeldToThree) {
  auto bytes = Sample(1);
  bytes[70 + 88] = 200;
  WriteBytes(Path("a.hst"), bytes);
  const auto r = LoadGraph(Path("a.hst"));
  ASSERT_TRUE(r.data);
  EXPECT_EQ(r.data->DecimalPoint[0], 3);
  EXPECT_FLOAT_EQ(r.data->Values[0][0], 0.253f);
}

}  // namespace
}  // namespace qg::history
