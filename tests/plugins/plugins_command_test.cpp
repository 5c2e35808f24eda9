#include "plugins/plugins_command.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qg::plugins {
namespace {

const std::filesystem::path kFixtures = QG_PLUGIN_FIXTURES;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome Plugins(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunPluginsCommand(args, kFixtures, out, err);
  return {status, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& line) {
  return text.find(line + "\n") != std::string::npos;
}

TEST(PluginCommand, ListsOnePluginPerLine) {
  const Outcome r = Plugins({});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.starts_with("beta\nCount0\n"));
  EXPECT_TRUE(Has(r.out, "Harrowmeter"));
  EXPECT_FALSE(Has(r.out, "NotPlugin"));
  EXPECT_FALSE(Has(r.out, "Ordinary"));
}

TEST(PluginCommand, DescribesHarrowmeter) {
  const Outcome r = Plugins({"--describe", "Harrowmeter"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  for (const char* line : {
           "DV_IsQuillgraphDLL: 1",
           "DV_GetCommandType(0): 3",
           "DV_GetInitReg: 0",
           "DV_GetDeviceChannelsNumber: 8",
           "DV_GetDeviceParam(0): \"8\"",
           "parameter 1: \"Canal 1\" offset 0",
           "parameter 8: \"Canal 8\" offset 7",
           "poll: function 3, registers 0 to 7 (8)",
           "input type 0: \"Termopar J\"",
           "input type 19: \"0-50mV\"",
           "input type 31: \"Não existe\"",
           "DV_GetDecPointPar: (not exported, taken as -1)",
           "DV_GetDecPointType: (not exported, taken as -1)",
           "DV_GetInitDecPoint: (not exported, taken as -1)",
           "DV_GetInitType: (not exported, taken as -1)",
       })
    EXPECT_TRUE(Has(r.out, line)) << line << "\n" << r.out;
  EXPECT_FALSE(Has(r.out, "parameter 9: \"\" offset 0"));
}

TEST(PluginCommand, DescribeShowsOptionalExportsAndRefusals) {
  const Outcome full = Plugins({"--describe", "FullPlugin"});
  EXPECT_EQ(full.status, 0);
  for (const char* line : {"parameter 2: \"Pressão\" offset 0 decimals 15",
                           "input type 3: \"Tipo €\" decimals 203", "DV_GetInitDecPoint: 40",
                           "DV_GetInitType: 41"})
    EXPECT_TRUE(Has(full.out, line)) << line << "\n" << full.out;

  const Outcome cut = Plugins({"--describe", "Unterminated"});
  EXPECT_TRUE(Has(cut.out, "parameter 2: \"xxxxxxxxxxxxxxxxxxx\"... (longer than 19 characters: refused)"))
      << cut.out;
  EXPECT_TRUE(Has(cut.out, "poll: refused, the device would not be polled")) << cut.out;

  const Outcome offset = Plugins({"--describe", "OffsetPastEnd"});
  EXPECT_TRUE(Has(offset.out, "parameter 3: \"P3\" offset 3 (outside the block: refused)"))
      << offset.out;

  const Outcome count = Plugins({"--describe", "Count18"});
  EXPECT_TRUE(Has(count.out, "DV_GetDeviceChannelsNumber: 18 (outside 0..17: refused)"));
  EXPECT_FALSE(Has(count.out, "parameter 1: \"P1\" offset 0"));

  const Outcome minimal = Plugins({"--describe", "Minimal"});
  EXPECT_TRUE(Has(minimal.out, "DV_GetDeviceParam(0): (not exported)")) << minimal.out;
  EXPECT_TRUE(Has(minimal.out, "DV_GetDeviceChannelsNumber: (not exported, taken as -1) "
                               "(outside 0..17: refused)"))
      << minimal.out;
}

TEST(PluginCommand, FailuresAndUsage) {
  const Outcome missing = Plugins({"--describe", "Absent"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("Absent"), std::string::npos);

  const Outcome broken = Plugins({"--describe", "Broken"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("Broken.so"), std::string::npos) << broken.err;

  EXPECT_EQ(Plugins({"--describe", "../plugin_fixtures/Harrowmeter"}).status, 1);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--describe"}, {"Harrowmeter"}, {"--describe", "Harrowmeter", "extra"}, {"--list"}}) {
    const Outcome r = Plugins(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
  }
  EXPECT_EQ(Plugins({"--help"}).status, 0);

  std::ostringstream out, err;
  EXPECT_EQ(RunPluginsCommand({}, kFixtures / "Folder.so", out, err), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("no plug-ins"), std::string::npos);
}

}  // namespace
}  // namespace qg::plugins
