#include "plugins/plugin_host.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace qg::plugins {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = QG_PLUGIN_FIXTURES;

class PluginHostTest : public ::testing::Test {
 protected:
  PluginHost host{kFixtures};
};

// ---- enumeration

TEST_F(PluginHostTest, ListsOnlyLoadablePluginsThatSayYesInFoldedNameOrder) {
  const std::vector<std::string> expected = {
      "beta",  // folded order puts it among the B's, before "Count0"
      "Count0", "Count17", "Count18", "CountNegative", "CountText3x", "CountTextPlus",
      "FullPlugin", "Function0", "Function128", "Harrowmeter", "Minimal", "Name19", "Name20",
      "OffsetLast", "OffsetNegative", "OffsetPastEnd", "RegisterNegative", "RegisterPastTop",
      "RegisterTop", QG_NAME75, "Unterminated"};
  // Not listed: Ordinary (no DV_IsQuillgraphDLL), NotPlugin (answers 0), Broken (not a
  // library), Folder.so (a folder), Fifo.so (a FIFO: opening it would hang) and the
  // 76-character name.
  EXPECT_EQ(host.ListPlugins(), expected);
}

TEST(PluginHostFolder, TakesPluginsFromItsFolderNeverFromTheCurrentOne) {
  const fs::path empty = fs::temp_directory_path() / ("qg_plugins_empty_" + std::to_string(getpid()));
  fs::create_directories(empty);
  const fs::path before = fs::current_path();
  fs::current_path(kFixtures);
  PluginHost host(empty);
  const auto listed = host.ListPlugins();
  const int32_t count = host.DV_GetDeviceChannelsNumber("Harrowmeter");
  // A host given a relative folder keeps the folder it meant when it was built.
  PluginHost relative(fs::path("."));
  fs::current_path(empty);
  const int32_t relativeCount = relative.DV_GetDeviceChannelsNumber("Harrowmeter");
  fs::current_path(before);
  fs::remove_all(empty);

  EXPECT_TRUE(listed.empty());
  EXPECT_EQ(count, -1);
  EXPECT_EQ(relativeCount, 8);
}

TEST(PluginHostFolder, MissingFolderListsNothing) {
  PluginHost host(kFixtures / "no such folder");
  EXPECT_TRUE(host.ListPlugins().empty());
}

TEST(PluginTypeName, RefusesNamesThatCouldLeaveTheFolderOrNotSurviveTheSettings) {
  struct Case {
    std::string name;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"Harrowmeter", true},
      {"Medidor de pressão", true},
      {QG_NAME75, true},
      {QG_NAME76, false},
      {"", false},
      {"../plugin_fixtures/Harrowmeter", false},
      {"sub/Harrowmeter", false},
      {".hidden", false},
      {"..", false},
      {std::string("Harrow\0meter", 12), false},
      {"Line\nBreak", false},
      {"\xE6\x97\xA5本", false},  // no Windows-1252 form
      {"\xE3o", false},            // not UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidTypeName(c.name), c.valid) << c.name;
}

TEST_F(PluginHostTest, EscapingTypeNameIsMissingLibrary) {
  // The fixture folder's own parent holds it; a name with a path must still not reach it.
  PluginHost inner(kFixtures / "Folder.so");
  EXPECT_EQ(inner.DV_GetDeviceChannelsNumber("../Harrowmeter"), -1);
  EXPECT_FALSE(inner.LoadFailure("../Harrowmeter").empty());
}

// ---- fallbacks

// Every wrapper, for a type whose library is absent and for one that exports only its
// identification (Minimal): -1, or the buffer left as it was, except DV_GetInputType, whose
// buffer becomes empty when the library is missing.
TEST_F(PluginHostTest, FallbacksForMissingLibraryAndMissingExport) {
  for (const std::string type : {"Absent", "Minimal", "Broken", "Fifo"}) {
    SCOPED_TRACE(type);
    const bool libraryMissing = type != "Minimal";
    EXPECT_EQ(host.DV_GetDeviceChannelsNumber(type), -1);
    EXPECT_EQ(host.DV_GetOffSetReg(type, "P1"), -1);
    EXPECT_EQ(host.DV_GetDecPointPar(type, "P1"), -1);
    EXPECT_EQ(host.DV_GetInitReg(type), -1);
    EXPECT_EQ(host.DV_GetInitDecPoint(type), -1);
    EXPECT_EQ(host.DV_GetInitType(type), -1);
    EXPECT_EQ(host.DV_GetCommandType(type, 0), -1);
    EXPECT_EQ(host.DV_GetDecPointType(type, 0), -1);
    EXPECT_EQ(host.DV_IsQuillgraphDLL(type), libraryMissing ? -1 : 1);

    std::string param = "kept";
    EXPECT_EQ(host.DV_GetDeviceParam(type, 1, param),
              libraryMissing ? TextStatus::kNoLibrary : TextStatus::kNoExport);
    EXPECT_EQ(param, "kept");

    std::string input = "kept";
    EXPECT_EQ(host.DV_GetInputType(type, 1, input),
              libraryMissing ? TextStatus::kNoLibrary : TextStatus::kNoExport);
    EXPECT_EQ(input, libraryMissing ? "" : "kept");

    EXPECT_EQ(host.LoadFailure(type).empty(), !libraryMissing);
  }
}

TEST_F(PluginHostTest, LibraryPutInPlaceLaterIsFoundByTheNextCall) {
  const fs::path folder = fs::temp_directory_path() / ("qg_plugins_late_" + std::to_string(getpid()));
  fs::create_directories(folder);
  PluginHost late(folder);
  EXPECT_EQ(late.DV_GetDeviceChannelsNumber("Harrowmeter"), -1);
  fs::copy_file(kFixtures / "Harrowmeter.so", folder / "Harrowmeter.so");
  EXPECT_EQ(late.DV_GetDeviceChannelsNumber("Harrowmeter"), 8);
  fs::remove_all(folder);
}

// ---- a plug-in with every export: answers pass through, texts are converted

TEST_F(PluginHostTest, EveryExportAnswersThroughItsWrapper) {
  const std::string type = "FullPlugin";
  EXPECT_EQ(host.DV_IsQuillgraphDLL(type), 2);
  EXPECT_EQ(host.DV_GetDeviceChannelsNumber(type), 2);
  EXPECT_EQ(host.DV_GetInitReg(type), 100);
  EXPECT_EQ(host.DV_GetCommandType(type, 0), 4);
  EXPECT_EQ(host.DV_GetCommandType(type, 5), 1005);
  EXPECT_EQ(host.DV_GetInitDecPoint(type), 40);
  EXPECT_EQ(host.DV_GetInitType(type), 41);
  EXPECT_EQ(host.DV_GetDecPointType(type, 3), 203);
  EXPECT_EQ(host.DV_GetDecPointType(type, -4), 196);

  std::string text;
  EXPECT_EQ(host.DV_GetDeviceParam(type, 2, text), TextStatus::kWritten);
  EXPECT_EQ(text, "Pressão");
  // The name goes back to the plug-in in Windows-1252.
  EXPECT_EQ(host.DV_GetOffSetReg(type, "Pressão"), 0);
  EXPECT_EQ(host.DV_GetOffSetReg(type, "Temp"), 1);
  EXPECT_EQ(host.DV_GetDecPointPar(type, "Pressão"), 15);
  EXPECT_EQ(host.DV_GetDecPointPar(type, "Temp"), 1);
  EXPECT_EQ(host.DV_GetDecPointPar(type, "Outro"), 7);

  // A plug-in that writes the empty text replaces what the buffer held.
  text = "old";
  EXPECT_EQ(host.DV_GetDeviceParam(type, 3, text), TextStatus::kWritten);
  EXPECT_EQ(text, "");

  EXPECT_EQ(host.DV_GetInputType(type, 3, text), TextStatus::kWritten);
  EXPECT_EQ(text, "Tipo €");
  EXPECT_EQ(host.DV_GetInputType(type, -7, text), TextStatus::kWritten);
  EXPECT_EQ(text, "Tipo -7");
}

// A plug-in that says it is not one is still answered by the wrappers: only the list asks.
TEST_F(PluginHostTest, NotPluginIsUnlistedButAnswered) {
  EXPECT_EQ(host.DV_IsQuillgraphDLL("NotPlugin"), 0);
  EXPECT_EQ(host.DV_GetDeviceChannelsNumber("NotPlugin"), 5);
  EXPECT_EQ(host.DV_IsQuillgraphDLL("Ordinary"), -1);
}

// ---- the Harrowmeter plug-in, through the host

TEST_F(PluginHostTest, HarrowmeterAnswers) {
  const std::string type = "Harrowmeter";
  EXPECT_EQ(host.DV_IsQuillgraphDLL(type), 1);
  EXPECT_EQ(host.DV_GetDeviceChannelsNumber(type), 8);
  EXPECT_EQ(host.DV_GetInitReg(type), 0);
  EXPECT_EQ(host.DV_GetCommandType(type, 0), 3);
  EXPECT_EQ(host.DV_GetCommandType(type, 9), 3);

  const std::vector<std::pair<int32_t, std::string>> params = {
      {0, "8"}, {1, "Canal 1"}, {2, "Canal 2"}, {8, "Canal 8"}, {9, ""}, {-1, ""},
      {INT32_MIN, ""}, {INT32_MAX, ""}};
  for (const auto& [index, name] : params) {
    std::string text = "old";
    EXPECT_EQ(host.DV_GetDeviceParam(type, index, text), TextStatus::kWritten) << index;
    EXPECT_EQ(text, name) << index;
  }

  const std::vector<std::pair<std::string, int32_t>> offsets = {
      {"Canal 1", 0}, {"Canal 2", 1}, {"Canal 8", 7}, {"canal 2", 0}, {"CANAL 3", 0},
      {"Canal 9", 0}, {"Canal 2 ", 0}, {"", 0}, {"Temperatura", 0}};
  for (const auto& [name, offset] : offsets)
    EXPECT_EQ(host.DV_GetOffSetReg(type, name), offset) << name;

  const std::vector<std::pair<int32_t, std::string>> inputs = {
      {0, "Termopar J"}, {7, "Termopar B"}, {8, "Pt100"}, {9, "4-20mA Lin J"},
      {17, "4-20mA Lin Pt100"}, {18, "4-20mA"}, {19, "0-50mV"}, {20, "Não existe"},
      {-1, "Não existe"}, {INT32_MAX, "Não existe"}};
  for (const auto& [number, name] : inputs) {
    std::string text;
    EXPECT_EQ(host.DV_GetInputType(type, number, text), TextStatus::kWritten) << number;
    EXPECT_EQ(text, name) << number;
  }

  // It exports none of the optional functions.
  EXPECT_EQ(host.DV_GetDecPointPar(type, "Canal 1"), -1);
  EXPECT_EQ(host.DV_GetDecPointType(type, 0), -1);
  EXPECT_EQ(host.DV_GetInitDecPoint(type), -1);
  EXPECT_EQ(host.DV_GetInitType(type), -1);
}

TEST_F(PluginHostTest, HarrowmeterPollPlanReadsRegistersZeroToSeven) {
  const auto plan = MakePollPlan(host, "Harrowmeter");
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->function, 3);
  EXPECT_EQ(plan->firstRegister, 0);
  EXPECT_EQ(plan->count, 8);
  ASSERT_EQ(plan->parameters.size(), 8u);
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(plan->parameters[k - 1].name, "Canal " + std::to_string(k));
    EXPECT_EQ(plan->parameters[k - 1].offset, k - 1);
  }
  EXPECT_EQ(ParameterCountText(host, "Harrowmeter"), 8);
}

// ---- limits: cut names, absurd counts, offsets and registers outside the block

TEST_F(PluginHostTest, CutNamesAreReportedAndHeldWithinTheLimit) {
  std::string text;
  EXPECT_EQ(host.DV_GetDeviceParam("Name19", 2, text), TextStatus::kWritten);
  EXPECT_EQ(text, std::string(19, 'L'));
  EXPECT_EQ(host.DV_GetDeviceParam("Name20", 2, text), TextStatus::kCut);
  EXPECT_EQ(text, std::string(19, 'L'));
  // Fills the whole buffer with no terminating zero: nothing past the buffer is read.
  EXPECT_EQ(host.DV_GetDeviceParam("Unterminated", 2, text), TextStatus::kCut);
  EXPECT_EQ(text, std::string(19, 'x'));
  EXPECT_EQ(host.DV_GetInputType("Name20", 2, text), TextStatus::kCut);
  EXPECT_EQ(host.DV_GetInputType("Unterminated", 2, text), TextStatus::kCut);

  EXPECT_EQ(ParameterName(host, "Name19", 2), std::string(19, 'L'));
  EXPECT_EQ(ParameterName(host, "Name20", 2), std::nullopt);
  EXPECT_EQ(ParameterName(host, "Unterminated", 2), std::nullopt);
  EXPECT_EQ(InputTypeName(host, "Name20", 2), std::nullopt);
  EXPECT_EQ(InputTypeName(host, "Name20", 1), "P1");
  EXPECT_EQ(InputTypeName(host, "Absent", 1), std::nullopt);
  EXPECT_EQ(InputTypeName(host, "Minimal", 1), std::nullopt);
}

TEST_F(PluginHostTest, CheckedQuestions) {
  EXPECT_EQ(ParameterCount(host, "Count17"), 17);
  EXPECT_EQ(ParameterCount(host, "Count0"), 0);
  EXPECT_EQ(ParameterCount(host, "Count18"), std::nullopt);
  EXPECT_EQ(ParameterCount(host, "CountNegative"), std::nullopt);
  EXPECT_EQ(ParameterCount(host, "Absent"), std::nullopt);

  EXPECT_EQ(ParameterCountText(host, "Count17"), 17);
  EXPECT_EQ(ParameterCountText(host, "Count18"), std::nullopt);
  EXPECT_EQ(ParameterCountText(host, "CountNegative"), std::nullopt);
  EXPECT_EQ(ParameterCountText(host, "CountText3x"), std::nullopt);
  EXPECT_EQ(ParameterCountText(host, "CountTextPlus"), std::nullopt);
  EXPECT_EQ(ParameterCountText(host, "Minimal"), std::nullopt);

  EXPECT_EQ(ParameterName(host, "Count17", 17), "P17");
  EXPECT_EQ(ParameterName(host, "Count17", 0), std::nullopt);   // that is the count
  EXPECT_EQ(ParameterName(host, "Count17", 18), std::nullopt);  // past any device
  EXPECT_EQ(ParameterName(host, "Minimal", 1), std::nullopt);

  EXPECT_EQ(ParameterOffset(host, "OffsetLast", "P1", 3), 2);
  EXPECT_EQ(ParameterOffset(host, "OffsetPastEnd", "P3", 3), std::nullopt);
  EXPECT_EQ(ParameterOffset(host, "OffsetNegative", "P1", 3), std::nullopt);
  EXPECT_EQ(ParameterOffset(host, "Harrowmeter", "Canal 8", 8), 7);
  EXPECT_EQ(ParameterOffset(host, "Harrowmeter", "Canal 8", 7), std::nullopt);
  EXPECT_EQ(ParameterOffset(host, "Harrowmeter", "Canal 1", 18), std::nullopt);
  EXPECT_EQ(ParameterOffset(host, "Harrowmeter", std::string(20, 'C'), 8), std::nullopt);
  EXPECT_EQ(ParameterOffset(host, "Harrowmeter", std::string("Canal 1\0x", 9), 8), std::nullopt);
  EXPECT_EQ(ParameterOffset(host, "Minimal", "P1", 3), std::nullopt);

  const auto names = ParameterNames(host, "FullPlugin");
  ASSERT_TRUE(names);
  EXPECT_EQ(*names, (std::vector<std::string>{"Temp", "Pressão"}));
  EXPECT_EQ(ParameterNames(host, "Name20"), std::nullopt);
  EXPECT_EQ(ParameterNames(host, "Count18"), std::nullopt);
  EXPECT_EQ(ParameterNames(host, "Count0"), std::vector<std::string>{});
}

TEST_F(PluginHostTest, PollPlanIsRefusedForAnyFaultAndKeptAtTheLimits) {
  struct Case {
    const char* type;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"Count17", true},        {"Count0", true},           {"Name19", true},
      {"OffsetLast", true},     {"RegisterTop", true},      {"FullPlugin", true},
      {"Count18", false},       {"CountNegative", false},   {"Name20", false},
      {"Unterminated", false},  {"OffsetPastEnd", false},   {"OffsetNegative", false},
      {"RegisterPastTop", false}, {"RegisterNegative", false}, {"Function0", false},
      {"Function128", false},   {"Minimal", false},         {"Absent", false},
  };
  for (const auto& c : cases) {
    const auto plan = MakePollPlan(host, c.type);
    EXPECT_EQ(plan.has_value(), c.accepted) << c.type;
    if (!plan) continue;
    EXPECT_EQ(plan->parameters.size(), static_cast<std::size_t>(plan->count)) << c.type;
    EXPECT_LE(plan->firstRegister + plan->count, 0x10000) << c.type;
    for (const auto& p : plan->parameters) EXPECT_TRUE(IsValidOffset(p.offset, plan->count));
  }
  const auto full = MakePollPlan(host, "FullPlugin");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->function, 4);
  EXPECT_EQ(full->firstRegister, 100);
  EXPECT_EQ(full->parameters[0].name, "Temp");
  EXPECT_EQ(full->parameters[0].offset, 1);
  EXPECT_EQ(full->parameters[1].offset, 0);
}

}  // namespace
}  // namespace qg::plugins
