#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "history/history_file.h"

namespace qg::history {
namespace {

TEST(HistoryLayout, HeaderFieldsSitAtTheirOffsetsLittleEndian) {
  HistoryHeader h;
  h.DeviceType = "Harrowmeter";
  h.Title = "Caldeira é";  // é is one byte in Windows-1252
  h.FirmwareVersion = 0x0123;
  h.SerialNumber = "SN-1";
  h.Hours = 1;
  h.Minutes = 0x0203;
  h.Seconds = 4;
  h.Milliseconds = 999;
  const auto b = EncodeHeader(h);
  EXPECT_EQ(0, std::memcmp(&b[0], "Harrowmeter\0", 12));
  EXPECT_EQ(0, std::memcmp(&b[20], "Caldeira \xE9\0", 11));
  EXPECT_EQ(b[40], 0x23);
  EXPECT_EQ(b[41], 0x01);
  EXPECT_EQ(0, std::memcmp(&b[42], "SN-1\0", 5));
  EXPECT_EQ(b[62], 1);
  EXPECT_EQ(b[64], 0x03);
  EXPECT_EQ(b[65], 0x02);
  EXPECT_EQ(b[66], 4);
  EXPECT_EQ(b[68], 999 & 0xFF);
  EXPECT_EQ(b[69], 999 >> 8);
  const auto back = DecodeHeader(b.data());
  EXPECT_EQ(back.Title, "Caldeira é");
  EXPECT_EQ(back.Minutes, 0x0203);
}

TEST(HistoryLayout, TextsKeepWidthMinusOneBytesAndReadersStopAtFieldEnd) {
  HistoryHeader h;
  h.Title = std::string(30, 'x');
  auto b = EncodeHeader(h);
  EXPECT_EQ(b[20 + 18], 'x');
  EXPECT_EQ(b[20 + 19], 0);  // the NUL always fits
  EXPECT_EQ(DecodeHeader(b.data()).Title, std::string(19, 'x'));
  // A field filled to its end without a NUL is read up to the end, never into the next field.
  std::memset(&b[0], 'A', 20);
  EXPECT_EQ(DecodeHeader(b.data()).DeviceType, std::string(20, 'A'));
}

TEST(HistoryLayout, ChannelBlockOffsets) {
  HistoryChannelBlock c;
  c.Present = 1;
  c.DeviceType = "T";
  c.DeviceName = "D";
  c.ParamName = "P";
  c.Tag = "TAG456789AB";  // cut to 9
  c.Unit = "°C";
  c.DecimalPoint = 2;
  c.InputType = 0x0A0B;
  c.LowLimit = -2;
  c.HighLimit = 0x1234;
  c.Multiplier = 7;
  const auto b = EncodeChannelBlock(c);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1], 'T');
  EXPECT_EQ(b[21], 'D');
  EXPECT_EQ(b[41], 'P');
  EXPECT_EQ(0, std::memcmp(&b[61], "TAG456789\0", 10));
  EXPECT_EQ(0, std::memcmp(&b[71], "\xB0" "C\0", 3));
  EXPECT_EQ(b[88], 2);
  EXPECT_EQ(b[90], 0x0B);
  EXPECT_EQ(b[91], 0x0A);
  EXPECT_EQ(b[92], 0xFE);
  EXPECT_EQ(b[93], 0xFF);
  EXPECT_EQ(b[94], 0x34);
  EXPECT_EQ(b[95], 0x12);
  EXPECT_EQ(b[96], 7);
  const auto back = DecodeChannelBlock(b.data());
  EXPECT_EQ(back.Unit, "°C");
  EXPECT_EQ(back.Tag, "TAG456789");
  EXPECT_EQ(back.LowLimit, -2);
}

TEST(HistoryLayout, RecordSlotsAreFourBytesApartAndReservedBytesIgnored) {
  HistoryRecord r;
  r.Time = 45000.5;
  for (int k = 0; k < kChannels; ++k) r.Raw[k] = static_cast<std::int16_t>(k == 3 ? -9999 : k * 100);
  auto b = EncodeRecord(r);
  double t;
  std::memcpy(&t, &b[0], 8);  // the test machine is little endian, as the file is
  EXPECT_EQ(t, 45000.5);
  EXPECT_EQ(static_cast<std::int16_t>(b[8 + 12] | b[8 + 13] << 8), -9999);
  EXPECT_EQ(b[8 + 4 * 15], 1500 & 0xFF);
  b[10] = 0xAA;  // reserved half of slot 0
  b[11] = 0x55;
  const auto back = DecodeRecord(b.data());
  EXPECT_EQ(back.Raw, r.Raw);
}

}  // namespace
}  // namespace qg::history

namespace qg::history {
namespace {

TEST(HistoryLayout, DateTextsCoverYearsOneTo9999AndNothingElse) {
  struct Case { double dt; const char* text; } cases[] = {
      {*platform::EncodeDateTime(1, 1, 1, 0, 0, 0), "01/01/0001 00:00:00"},
      {*platform::EncodeDateTime(9999, 12, 31, 0, 0, 0), "31/12/9999 00:00:00"},
      {*platform::EncodeDateTime(9999, 12, 31, 23, 59, 59, 999), "31/12/9999 23:59:59"},
      {*platform::EncodeDateTime(9999, 12, 31, 0, 0, 0) + 1.0, "30/12/1899 00:00:00"},
      {*platform::EncodeDateTime(1, 1, 1, 0, 0, 0) - 1.0, "30/12/1899 00:00:00"},
      {std::numeric_limits<double>::infinity(), "30/12/1899 00:00:00"}};
  for (const auto& c : cases) {
    EXPECT_EQ(SafeDateTimeText(c.dt), c.text) << c.dt;
    EXPECT_LE(SafeDecode(c.dt).year, 9999) << c.dt;
  }
  // A fraction that rounds to the next millisecond may not carry the day into the year 10000.
  const double last = *platform::EncodeDateTime(9999, 12, 31, 0, 0, 0) + 1.0 - 0.1 / 86400000.0;
  EXPECT_LE(SafeDecode(last).year, 9999);
}

}  // namespace
}  // namespace qg::history
