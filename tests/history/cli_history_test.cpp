#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "cli/commands.h"
#include "history/export.h"
#include "history/history.h"
#include "history_fixture.h"

namespace qg::history {
namespace {

class CliHistory : public testing::TempDir {
 protected:
  struct Run {
    int rc;
    std::string out, err;
  };
  Run Cli(const cli::Args& args) {
    std::ostringstream out, err;
    const int rc = cli::RunCli(args, out, err);
    return {rc, out.str(), err.str()};
  }
  std::string Text(const std::string& path) {
    const auto b = ReadBytes(path);
    return {b.begin(), b.end()};
  }
  // Three records; channels 1 and 2 present, channel 9 present when `ninth`.
  std::string MakeHst(bool ninth) {
    HistoryHeader h;
    h.DeviceType = "Harrowmeter";
    h.Title = "Forno";
    h.FirmwareVersion = 123;
    h.SerialNumber = "A7";
    h.Seconds = 5;
    std::array<HistoryChannelBlock, kChannels> b{};
    b[0] = {1, "Harrowmeter", "Forno 1", "Canal 1", "Temp, ext", "°C", {}, {}, 1, 2, -50, 800, 1};
    b[1] = {1, "Harrowmeter", "Forno 1", "Canal 2", "Say \"hi\"", "", {}, {}, 0, 0, 0, 0, 1};
    if (ninth) b[8] = {1, "Harrowmeter", "Forno 2", "Canal 1", "Nove", "bar", {}, {}, 2, 0, 0, 0, 1};
    std::vector<HistoryRecord> rs(3);
    for (int i = 0; i < 3; ++i) {
      rs[i].Time = *platform::EncodeDateTime(2024, 3, 12, 8, 0, 5 * i);
      rs[i].Raw[0] = static_cast<std::int16_t>(i == 1 ? -9999 : 253 + i);
      rs[i].Raw[1] = static_cast<std::int16_t>(-i);
      rs[i].Raw[8] = 1234;
    }
    const std::string path = Path(ninth ? "nove.hst" : "forno.hst");
    auto bytes = testing::MakeFile(h, b, rs);
    bytes.insert(bytes.end(), 10, 0);
    WriteBytes(path, bytes);
    return path;
  }
};

TEST_F(CliHistory, InfoDescribesHeaderChannelsAndRecords) {
  const auto r = Cli({"info", MakeHst(false)});
  ASSERT_EQ(r.rc, 0) << r.err;
  for (const char* piece :
       {"device type:   Harrowmeter\n", "title:         Forno\n", "firmware:      1.23\n",
        "serial number: A7\n", "base interval: 00:00:05.000\n", "records:       3\n",
        "cut record:    10 bytes", "first:         12/03/2024 08:00:00\n",
        "last:          12/03/2024 08:00:10\n"})
    EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n" << r.out;
  EXPECT_NE(r.out.find("   1       1 Harrowmeter          Forno 1              Canal 1              "
                       "Temp, ext  °C           1     2   -50   800     1\n"),
            std::string::npos)
      << r.out;
}

TEST_F(CliHistory, InfoShowsControlBytesOfAFileAsQuestionMarks) {
  // Texts of a file are not trusted with the terminal: an escape sequence is not passed on.
  const auto file = MakeHst(false);
  auto bytes = ReadBytes(file);
  std::memcpy(&bytes[20], "\x1b]0;x\x07\x1b[2J\x7f\0", 12);  // title
  bytes[70 + 61] = '\r';                                      // first letter of channel 1's tag
  WriteBytes(file, bytes);
  const auto r = Cli({"info", file});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out.find_first_of("\x1b\x07\x7f\r"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("title:         ?]0;x??[2J?\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" ?emp, ext  \xC2\xB0" "C "), std::string::npos) << r.out;
}

TEST_F(CliHistory, ExportGoesThroughTheWriterWithTheProposedName) {
  for (bool ninth : {false, true}) {
    const auto file = MakeHst(ninth);
    const auto r = Cli({"export", file});
    ASSERT_EQ(r.rc, 0) << r.err;
    const auto txt = ExportFileNameFor(file);
    EXPECT_EQ(r.out, txt + "\n");
    const auto data = LoadGraph(file).data;
    ASSERT_TRUE(ExportGraph(Path("ref.txt"), *data, TagHeaderLine(*data, ninth), DashLine(ninth)));
    auto expected = Text(Path("ref.txt"));
    expected.replace(expected.find(Path("ref.txt")), Path("ref.txt").size(), txt);
    EXPECT_EQ(Text(txt), expected) << ninth;
  }
  const auto file = MakeHst(true);
  ASSERT_EQ(Cli({"export", file, Path("eight.txt"), "--channels", "8"}).rc, 0);
  const auto text = Text(Path("eight.txt"));
  EXPECT_NE(text.find(std::string(kDashLine8) + "\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Nove"), std::string::npos);
  EXPECT_EQ(Cli({"export", file, "--channels", "12"}).rc, 2);
}

TEST_F(CliHistory, CsvHasOneQuotedHeaderRowAndOneRowPerSample) {
  const auto file = MakeHst(true);
  const auto r = Cli({"csv", file});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, Path("nove.csv") + "\n");
  EXPECT_EQ(Text(Path("nove.csv")),
            "time,\"Temp, ext (°C)\",\"Say \"\"hi\"\"\",Nove (bar)\r\n"
            "2024-03-12T08:00:00,25.3,0,12.34\r\n"
            "2024-03-12T08:00:05,,-1,12.34\r\n"
            "2024-03-12T08:00:10,25.5,-2,12.34\r\n");
}

TEST_F(CliHistory, InvalidOrMissingFileFailsAndWritesNothing) {
  WriteBytes(Path("bad.hst"), std::vector<std::uint8_t>(1000, 0));
  for (const char* cmd : {"info", "export", "csv"}) {
    const auto r = Cli({cmd, Path("bad.hst")});
    EXPECT_EQ(r.rc, 1) << cmd;
    EXPECT_EQ(r.err, "Formato de Histórico inválido\n") << cmd;
    EXPECT_TRUE(r.out.empty());
    const auto m = Cli({cmd, Path("none.hst")});
    EXPECT_EQ(m.rc, 1);
    EXPECT_NE(m.err.find("No such file or directory"), std::string::npos) << m.err;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("bad.txt")));
  EXPECT_FALSE(std::filesystem::exists(Path("bad.csv")));
  EXPECT_FALSE(std::filesystem::exists(Path("none.txt")));
  // The output may never be the history itself.
  const auto file = MakeHst(false);
  EXPECT_EQ(Cli({"csv", file, file}).rc, 1);
  EXPECT_EQ(ReadBytes(file).size(), 1638u + 3 * 72 + 10);
  EXPECT_EQ(Cli({"info"}).rc, 2);
}

}  // namespace
}  // namespace qg::history
