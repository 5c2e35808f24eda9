#include <gtest/gtest.h>

#include <cstdio>

#include "history/export.h"
#include "history_fixture.h"
#include "platform/cp1252.h"

namespace qg::history {
namespace {

class Export : public testing::TempDir {
 protected:
  devices::CDevice Fixture() {
    devices::CDevice d;
    d.Title = "Caldeira 2";
    d.SerialNumber = "SN-0042";
    d.FirmwareVersion = 105;
    d.BaseInterval = *platform::EncodeTime(0, 1, 30);
    d.FirstAcquisition = *platform::EncodeDateTime(2024, 3, 12, 8, 15, 0);
    d.LastAcquisition = *platform::EncodeDateTime(2024, 3, 12, 8, 16, 30, 400);
    d.ChannelCount = 16;
    d.Values.assign(16, {});
    d.Times.assign(16, {});
    const std::vector<double> times = {d.FirstAcquisition, d.LastAcquisition};
    const auto channel = [&](int k, const char* tag, int dp, std::vector<float> v) {
      d.Tags[k] = tag;
      d.DecimalPoint[k] = static_cast<std::uint8_t>(dp);
      d.Counts[k] = static_cast<std::uint32_t>(v.size());
      d.Values[k] = std::move(v);
      d.Times[k] = times;
    };
    channel(0, "Temp", 1, {25.3f, -9999.0f});
    channel(1, "P%d%s", 2, {2.53f, -0.07f});
    channel(2, "ABCDEFGHI", 0, {-32768.0f, 15.0f});
    d.Tags[3] = "Vazio";  // no samples: blanks on every line
    channel(4, "Ch5", 3, {0.253f, -1.5f});
    return d;
  }
};

TEST_F(Export, MatchesAHandMadeFileByteForByte) {
  const auto data = Fixture();
  const std::string out = Path("graf.txt");
  std::string error;
  ASSERT_TRUE(ExportGraph(out, data, TagHeaderLine(data, false), DashLine(false), {}, &error))
      << error;
  const std::string blank9 = "         ";
  std::string rest;  // channels 6 to 16 have nothing
  for (int k = 5; k < 16; ++k) rest += blank9;
  const std::string expected =
      "T\xEDtulo: Caldeira 2\r\n"
      "Nome do Arquivo:    " + out + "\r\n"
      "Primeira Aquisi\xE7\xE3o: 12/03/2024 08:15:00\r\n"
      "\xDAltima Aquisi\xE7\xE3o:   12/03/2024 08:16:30\r\n"
      "N\xFAmero de Intervalos Base:       2\r\n"
      "Intervalo Base entre Aquisi\xE7\xF5" "es: 1min30.0seg\r\n"
      "N\xFAmero de S\xE9rie:    SN-0042\r\n"
      "Vers\xE3o de Firmware: V1.05\r\n"
      "\r\n"
      " N#  Data       Hora        Temp     P%d%s    ABCDEFGHIVazio    Ch5      "
      "                           \r\n"
      "---  ---------- ----------  -------  -------  -------  -------  -------  -------  -------"
      "  -------\r\n"
      "0000 12/03/2024 08:15:00.0     25.3     2.53   -32768             0.253 " + rest + "\r\n"
      "0001 12/03/2024 08:16:30.4             -0.07       15            -1.500 " + rest + "\r\n";
  const auto bytes = ReadBytes(out);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
}

TEST_F(Export, SixteenChannelHeadingsAndReplaceableTexts) {
  auto data = Fixture();
  data.Tags[15] = "Ultimo";
  HistoryTexts texts;
  texts.columnHeader = " No  Date       Time        Channel 1";
  texts.dashLine16 = "===";
  texts.seconds = "s";
  const auto head = TagHeaderLine(data, true, texts);
  EXPECT_EQ(head.substr(0, 28), " No  Date       Time        ");
  EXPECT_EQ(head.size(), 28u + 16 * 9 - 0);  // every tag is shorter than 9 or exactly 9
  EXPECT_EQ(head.substr(28 + 15 * 9), "Ultimo   ");
  EXPECT_EQ(DashLine(true, texts), "===");
  EXPECT_EQ(DashLine(false, texts).size(), 98u);
  // A header text without a capital C is kept whole.
  texts.columnHeader = "abc ";
  EXPECT_EQ(TagHeaderLine(devices::CDevice{}, false, texts), "abc " + std::string(72, ' '));
  EXPECT_EQ(BaseIntervalLine(data.BaseInterval, texts),
            "Intervalo Base entre Aquisições: 1min30.0s");
}

TEST(ExportLines, BaseIntervalFormats) {
  struct Case { int h, m, s, ms; const char* text; } cases[] = {
      {0, 0, 0, 500, "0.5seg"},        {0, 0, 0, 0, "0.0seg"},
      {0, 0, 12, 340, "12.3seg"},      {0, 1, 30, 0, "1min30.0seg"},
      {1, 2, 3, 0, "1h02min03.0seg"},  {10, 0, 0, 0, "10h00min00.0seg"},
      {0, 59, 5, 900, "59min05.9seg"}};
  for (const auto& c : cases)
    EXPECT_EQ(BaseIntervalLine(*platform::EncodeTime(c.h, c.m, c.s, c.ms)),
              std::string("Intervalo Base entre Aquisições: ") + c.text);
}

TEST(ExportLines, RawValuesFormatAsPrintfWouldForEverySixteenBitValue) {
  char mine[9], theirs[32];
  for (int d = 0; d <= 4; ++d) {
    const char* fmt = d == 0 ? "%8.0f " : d == 1 ? "%8.1f " : d == 2 ? "%8.2f " : "%8.3f ";
    for (int raw = -32768; raw <= 32767; ++raw) {
      FormatRawValue(raw, d, mine);
      double p = 1;
      for (int i = 0; i < d; ++i) p *= 10;
      std::snprintf(theirs, sizeof theirs, fmt, raw / p);
      ASSERT_EQ(std::string(mine, 9), std::string(theirs)) << raw << " d=" << d;
    }
  }
}

TEST_F(Export, ProposedNamesAndFailures) {
  EXPECT_EQ(ExportFileNameFor("/dados/forno.hst"), "/dados/forno.txt");
  EXPECT_EQ(ExportFileNameFor("Coleta 1"), "Coleta 1.txt");
  EXPECT_EQ(ExportFileNameFor("a.hst.bak"), "a.hst.bak.txt");
  std::string error;
  EXPECT_FALSE(ExportGraph(Path("no/such/dir/x.txt"), Fixture(), "", "", {}, &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  auto data = Fixture();
  EXPECT_FALSE(ShowsSixteenChannels(data));
  data.Counts[8] = 1;
  EXPECT_TRUE(ShowsSixteenChannels(data));
}

TEST_F(Export, HostileTimesAndValuesPrintSafely) {
  auto data = Fixture();
  data.Times[0][0] = 1e300;
  data.FirstAcquisition = std::numeric_limits<double>::quiet_NaN();
  data.Values[1][0] = std::numeric_limits<float>::infinity();
  ASSERT_TRUE(ExportGraph(Path("x.txt"), data, "h", "d"));
  const auto bytes = ReadBytes(Path("x.txt"));
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("Primeira Aquisi\xE7\xE3o: 30/12/1899 00:00:00\r\n"), std::string::npos);
  EXPECT_NE(text.find("0000 30/12/1899 00:00:00.0     25.3          "), std::string::npos);
}

}  // namespace
}  // namespace qg::history
