#include "shell/language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/cp1252.h"
#include "shell/texts.h"
#include "test_dir.h"

namespace qg::shell {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> Lines(const LanguageFile& f) {
  std::vector<std::string> out;
  for (int n = 0; n < static_cast<int>(f.LineCount()); ++n) out.push_back(*f.Line(n));
  return out;
}

TEST(LanguageFileTest, LineEndsAndEncoding) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two ends, an empty line between
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"", {}},
      {"\n", {""}},
      {"Op\xE7\xE3o\r\n", {"Opção"}},  // Windows-1252 to UTF-8
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const auto f = LanguageFile::Parse(c.bytes);
    EXPECT_TRUE(f.Loaded());
    EXPECT_EQ(Lines(f), c.lines);
  }
  // A NUL ends the text of its line.
  const auto f = LanguageFile::Parse(std::string_view("x\0y\nz", 5));
  EXPECT_EQ(Lines(f), (std::vector<std::string>{"x", "z"}));
}

TEST(LanguageFileTest, LooksInTheCurrentFolderFirstThenTheSettingsFolder) {
  TempDir current, settings;
  const auto candidates = LanguageCandidates(current.Path(), settings.Path());
  EXPECT_FALSE(LanguageFile::Load(candidates).Loaded());

  WriteFile(settings / kLanguageFileName, "from settings\r\n");
  auto f = LanguageFile::Load(candidates);
  ASSERT_TRUE(f.Loaded());
  EXPECT_EQ(*f.Line(0), "from settings");

  WriteFile(current / kLanguageFileName, "from current\r\n");
  f = LanguageFile::Load(candidates);
  ASSERT_TRUE(f.Loaded());
  EXPECT_EQ(*f.Line(0), "from current");
}

TEST(LanguageFileTest, WhatIsNoFileIsPassedBy) {
  TempDir current, settings;
  std::filesystem::create_directory(current / kLanguageFileName);  // a folder
  ASSERT_EQ(::mkfifo((settings / kLanguageFileName).c_str(), 0600), 0);  // would block
  EXPECT_FALSE(LanguageFile::Load(LanguageCandidates(current.Path(), settings.Path())).Loaded());

  TempDir big;
  WriteFile(big / kLanguageFileName, std::string(kLanguageFileMaxBytes + 1, 'x'));
  EXPECT_FALSE(LanguageFile::Load({big / kLanguageFileName}).Loaded());
}

TEST(LanguageFileTest, ApplyReplacesWithSuffixAndKeepsWhatTheFileLacks) {
  const auto f = LanguageFile::Parse("zero\r\n\r\ntwo\r\n");
  std::string a = "built-in", b = "built-in", c = "built-in", d = "built-in";
  f.Apply(0, a, ":");
  f.Apply(1, b);   // an empty line gives an empty text
  f.Apply(3, c);   // past the end: kept
  f.Apply(-1, d);
  EXPECT_EQ(a, "zero:");
  EXPECT_EQ(b, "");
  EXPECT_EQ(c, "built-in");
  EXPECT_EQ(d, "built-in");

  const LanguageFile none;
  none.Apply(0, d);
  EXPECT_EQ(d, "built-in");
  EXPECT_EQ(none.Line(0), nullptr);
}

// A file that gives every line its built-in text changes nothing: the tables and the line
// table agree, suffixes included.
TEST(TextTablesTest, BuiltInLinesReproduceTheDefaults) {
  std::string all;
  for (int n = 0; n <= kLastLanguageLine; ++n) all += BuiltInLine(n) + "\r\n";
  const auto f = LanguageFile::Parse(platform::Utf8ToCp1252(all));

  MainTexts main, mainApplied;
  mainApplied.Apply(f);
  EXPECT_EQ(main.captions, mainApplied.captions);
  EXPECT_EQ(main.hints, mainApplied.hints);
  // Texts 45 and 48 share their lines with texts of other windows whose defaults differ.
  for (int i = 0; i < 48; ++i) {
    if (i != 45) {
      EXPECT_EQ(main.texts[i], mainApplied.texts[i]) << i;
    }
  }
  EXPECT_EQ(mainApplied.texts[45], "Coleta ");
  EXPECT_EQ(mainApplied.texts[48], "Coletar Dados");

  ConfigureTexts conf, confApplied;
  confApplied.Apply(f);
  EXPECT_EQ(conf.caption, confApplied.caption);
  EXPECT_EQ(conf.portLabel, confApplied.portLabel);
  EXPECT_EQ(conf.baudLabel, confApplied.baudLabel);
  EXPECT_EQ(conf.ports, confApplied.ports);
  EXPECT_EQ(conf.headings, confApplied.headings);
  EXPECT_EQ(conf.duplicateAddress, confApplied.duplicateAddress);

  AboutTexts about, aboutApplied;
  aboutApplied.Apply(f);
  EXPECT_EQ(about.versionLabel, aboutApplied.versionLabel);
  EXPECT_EQ(about.caption, aboutApplied.caption);

  CfgTexts cfg, cfgApplied;
  cfgApplied.Apply(f);
  EXPECT_EQ(cfg.messages, cfgApplied.messages);
  EXPECT_EQ(cfg.execute, cfgApplied.execute);

  SharedTexts shared, sharedApplied;
  sharedApplied.Apply(f);
  EXPECT_EQ(shared.linkErrors, sharedApplied.linkErrors);
  EXPECT_EQ(shared.LinkError(8), "Timeout");
  EXPECT_EQ(shared.LinkError(9), "");
}

TEST(TextTablesTest, MainTextLinesFollowTheTable) {
  EXPECT_EQ(MainTexts::TextLine(1), 57);
  EXPECT_EQ(MainTexts::TextLine(30), 86);
  EXPECT_EQ(MainTexts::TextLine(44), 100);
  EXPECT_EQ(MainTexts::TextLine(45), 131);
  EXPECT_EQ(MainTexts::TextLine(48), 189);
  for (int unused : {0, 11, 31, 32, 33, 35, 36, 37}) EXPECT_EQ(MainTexts::TextLine(unused), -1);
  MainTexts t;
  EXPECT_EQ(t.texts[kTextCommError], "Erro de comunicação Código ");
  // The collection's progress caption, without the blank of the file graph's text on line 131.
  EXPECT_EQ(t.texts[45], "Coleta");
  EXPECT_EQ(t.texts[48], "Coletando as aquisições");
  EXPECT_EQ(t.texts[kTextMonitorLimit],
            "O número máximo de Gráficos de monitoração que podem ser abertos é 8(oito)!");
}

// The shipped English translation: Windows-1252, every line up to 248, a text for every line a
// place reads, and the blanks and filter patterns that the program glues to other text kept.
TEST(EnglishTranslationTest, IsCompleteAndKeepsWhatTheProgramRelies) {
  const auto path = std::filesystem::path(QG_SOURCE_DIR) / "translations/en" / kLanguageFileName;
  const auto f = LanguageFile::Load({path});
  ASSERT_TRUE(f.Loaded()) << path;
  ASSERT_GE(f.LineCount(), static_cast<std::size_t>(kLastLanguageLine + 1));
  const std::string bytes = testing::ReadFile(path);
  EXPECT_EQ(bytes.find("\xC3"), std::string::npos) << "looks like UTF-8, not Windows-1252";
  for (int n = 0; n <= kLastLanguageLine; ++n) {
    SCOPED_TRACE(n);
    const std::string& en = *f.Line(n);
    const std::string& pt = BuiltInLine(n);
    if (IsUnusedLine(n)) continue;
    ASSERT_FALSE(en.empty());
    EXPECT_EQ(pt.front() == ' ', en.front() == ' ');
    EXPECT_EQ(pt.back() == ' ', en.back() == ' ');
    EXPECT_EQ(pt.find('&') != std::string::npos, en.find('&') != std::string::npos);
    const auto bar = pt.find('|');
    if (bar != std::string::npos) {
      EXPECT_EQ(en.substr(en.find('|')), pt.substr(bar));
    }
  }
  EXPECT_EQ(*f.Line(104), "&OK");
}

}  // namespace
}  // namespace qg::shell
