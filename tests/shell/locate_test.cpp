#include "shell/locate.h"

#include <gtest/gtest.h>

#include "test_dir.h"

namespace qg::shell {
namespace {

using testing::TempDir;

void MakeProgram(const std::filesystem::path& path, bool executable = true) {
  testing::WriteFile(path, "#!/bin/sh\n");
  std::filesystem::permissions(path, executable ? std::filesystem::perms::owner_all
                                                : std::filesystem::perms::owner_read);
}

TEST(FindProgramTest, ProgramFolderFirstThenPath) {
  TempDir exe, a, b;
  const std::string path = std::string(":") + a.Path().string() + ":" + b.Path().string();
  EXPECT_FALSE(FindProgram(kConfiguratorProgram, exe.Path(), path));

  MakeProgram(b / kConfiguratorProgram);
  MakeProgram(a / kConfiguratorProgram, false);  // not executable: passed by
  EXPECT_EQ(FindProgram(kConfiguratorProgram, exe.Path(), path), b / kConfiguratorProgram);

  std::filesystem::create_directory(exe / kConfiguratorProgram);  // a folder: passed by
  EXPECT_EQ(FindProgram(kConfiguratorProgram, exe.Path(), path), b / kConfiguratorProgram);

  TempDir exe2;
  MakeProgram(exe2 / kConfiguratorProgram);
  EXPECT_EQ(FindProgram(kConfiguratorProgram, exe2.Path(), path), exe2 / kConfiguratorProgram);
  EXPECT_FALSE(FindProgram("../harrowcfg", exe2.Path(), path));
}

TEST(FindHelpFileTest, StartFolderThenProgramFolder) {
  TempDir start, exe;
  EXPECT_FALSE(FindHelpFile(start.Path(), exe.Path()));
  testing::WriteFile(exe / "help" / kHelpFileName, "<html></html>");
  EXPECT_EQ(FindHelpFile(start.Path(), exe.Path()), exe / "help" / kHelpFileName);
  testing::WriteFile(start / "help" / kHelpFileName, "<html></html>");
  EXPECT_EQ(FindHelpFile(start.Path(), exe.Path()), start / "help" / kHelpFileName);
}

}  // namespace
}  // namespace qg::shell
