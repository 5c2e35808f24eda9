#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/cp1252.h"
#include "platform/datetime.h"
#include "platform/profile.h"
#include "platform/serial_port.h"

namespace qg::platform {
namespace {

TEST(Cp1252, ConvertsBothWaysAndKeepsWhatHasNoForm) {
  const std::string cp = "Endere\xE7o \x80 \x93x\x94 \x9F";
  const std::string utf8 = Cp1252ToUtf8(cp);
  EXPECT_EQ(utf8, "Endereço € “x” Ÿ");
  EXPECT_EQ(Utf8ToCp1252(utf8), cp);
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");     // unassigned byte
  EXPECT_EQ(Utf8ToCp1252("日本"), "??");                // no Windows-1252 form
  EXPECT_EQ(Utf8ToCp1252("a\xE7" "b"), "a\xE7" "b");   // stray byte survives
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "\xC3");             // truncated sequence
  EXPECT_EQ(Utf8ToCp1252Field("çççç", 3), "\xE7\xE7\xE7");
}

TEST(DateTime, BuildsSplitsAndFormats) {
  EXPECT_EQ(*EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(*EncodeDate(1900, 3, 1), 61.0);
  EXPECT_EQ(*EncodeDate(2026, 12, 11), 46367.0);
  EXPECT_FALSE(EncodeDate(2026, 2, 29));
  EXPECT_TRUE(EncodeDate(2024, 2, 29));
  EXPECT_FALSE(EncodeTime(24, 0, 0));
  const DateTime dt = *EncodeDateTime(2026, 3, 14, 15, 9, 26, 535);
  const auto f = DecodeDateTime(dt);
  EXPECT_EQ(f.year, 2026);
  EXPECT_EQ(f.month, 3);
  EXPECT_EQ(f.day, 14);
  EXPECT_EQ(f.hour, 15);
  EXPECT_EQ(f.minute, 9);
  EXPECT_EQ(f.second, 26);
  EXPECT_EQ(f.millisecond, 535);
  EXPECT_EQ(f.dayOfWeek, 6);  // a Saturday
  EXPECT_EQ(FormatDateTime(dt), "14/03/2026 15:09:26");
  EXPECT_EQ(DecodeDateTime(TruncateToSeconds(dt)).millisecond, 0);
  // 23:59:59.9996 rounds into the next day, not to second 60.
  EXPECT_EQ(FormatDateTime(*EncodeDate(2026, 12, 31) + 0.99999999999), "01/01/2027 00:00:00");
  const DateTime local = FromUnixLocal(ToUnixLocal(dt));
  EXPECT_NEAR(local, dt, 1e-8);
}

TEST(Profile, ReadsWithPrivateProfileRules) {
  const auto p = ProfileFile::Parse(
      "; comment\r\n[Communication]\r\n  port = 3 \r\nBaud=\"19200\"\r\nPort=4\r\n"
      "Label1=Forno \xE9\r\n[communication]\r\nTimeout=7\r\n[Other]\nTimeout=99x\nNeg=-12\nBad=abc\n");
  EXPECT_EQ(p.GetInt("COMMUNICATION", "Port", 0), 3);   // first match wins, trimmed
  EXPECT_EQ(p.GetString("Communication", "baud", ""), "19200");  // quotes dropped
  EXPECT_EQ(p.GetString("Communication", "Label1", ""), "Forno é");
  EXPECT_EQ(p.GetString("Communication", "Timeout", "50"), "50");  // only the first section
  EXPECT_EQ(p.GetInt("Other", "Timeout", 5), 99);
  EXPECT_EQ(p.GetInt("Other", "Neg", 5), -12);
  EXPECT_EQ(p.GetInt("Other", "Bad", 5), 0);
  EXPECT_EQ(p.GetInt("Other", "Missing", 5), 5);
  EXPECT_EQ(p.GetString("Nowhere", "x", "def"), "def");
}

TEST(Profile, WritesInPlaceAndSavesAtomically) {
  auto p = ProfileFile::Parse("[A]\r\nx=1\r\n; keep me\r\n\r\n[B]\r\ny=2\r\n");
  p.SetString("a", "X", "10");
  p.SetString("A", "z", "3");
  p.SetInt("C", "n", -4);
  p.RemoveKey("B", "y");
  EXPECT_EQ(p.Serialize(), "[A]\r\nx=10\r\n; keep me\r\nz=3\r\n\r\n[B]\r\n[C]\r\nn=-4\r\n");

  const auto dir = std::filesystem::temp_directory_path() / ("qg-profile-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "Quillgraph.ini";
  p.SetString("A", "label", "Caldeira ç");
  std::string error;
  ASSERT_TRUE(p.Save(file, error)) << error;
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_NE(bytes.str().find("label=Caldeira \xE7\r\n"), std::string::npos);
  EXPECT_EQ(ProfileFile::Load(file).GetString("A", "label", ""), "Caldeira ç");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary left
  EXPECT_FALSE(p.Save(dir / "missing" / "x.ini", error));
  std::filesystem::remove_all(dir);
}

TEST(PortMap, MapsComNamesThroughThePortsSection) {
  const auto map = PortMap::FromProfile(
      ProfileFile::Parse("[Ports]\r\ncom2=/dev/ttyUSB0\r\nCOM2=/dev/other\r\nCOMX=/dev/no\r\n"));
  EXPECT_EQ(map.PathOf(1), "/dev/ttyS0");
  EXPECT_EQ(map.PathOf(2), "/dev/ttyUSB0");
  EXPECT_EQ(map.PathOf(4), "/dev/ttyS3");
  EXPECT_EQ(map.PathOf(0), "");
  EXPECT_EQ(map.PathOf(-3), "");
  int n = 0;
  EXPECT_TRUE(ParseComName("com3", n));
  EXPECT_EQ(n, 3);
  EXPECT_FALSE(ParseComName("/dev/ttyS0", n));
  std::string error;
  EXPECT_EQ(SerialPort::Open("/dev/null", error), nullptr);
  EXPECT_NE(error.find("not a serial device"), std::string::npos);
  EXPECT_EQ(SerialPort::Open("/nonexistent/tty", error), nullptr);
}

}  // namespace
}  // namespace qg::platform
