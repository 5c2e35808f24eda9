#pragma once
// A program with its own settings folder, plug-in folder and language file, scripted messages
// and a recording desktop; its main window is built on demand.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/message_service.h"
#include "shell/desktop.h"
#include "shell/main_window.h"
#include "shell/program.h"
#include "test_dir.h"

namespace qg::shell::testing {

// The application lives from the first window test to the end of the tests, and goes before
// the toolkit's own statics do.
class QtEnvironment final : public ::testing::Environment {
 public:
  void TearDown() override { app_.reset(); }
  QApplication& App() {
    if (!app_) {
      // Window tests never need a display. (The test helper's environment list reaches CTest
      // with its first entry only, so the platform is set here as well.)
      ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
      app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    return *app_;
  }

 private:
  int argc_ = 1;
  char name_[20] = "shell_windows_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

inline QApplication& App() {
  static QtEnvironment* const environment = [] {
    auto* e = new QtEnvironment;
    ::testing::AddGlobalTestEnvironment(e);  // owned by the test framework from here
    return e;
  }();
  return environment->App();
}

class WindowFixture {
 public:
  WindowFixture() {
    App();
    std::filesystem::create_directories(programDir());
    std::filesystem::create_directories(current.Path());
  }
  std::filesystem::path programDir() const { return dir / "bin"; }
  std::filesystem::path settingsFile() const { return dir / "config" / kSettingsFileName; }
  // A library once loaded stays mapped: it is copied once, never over itself.
  void AddHarrowmeter() {
    std::filesystem::copy_file(QG_HARROWMETER_SO, programDir() / "Harrowmeter.so",
                               std::filesystem::copy_options::skip_existing);
  }
  void WriteSettings(const std::string& text) { WriteFile(settingsFile(), text); }
  void WriteLanguage(const std::string& cp1252) {
    WriteFile(current / kLanguageFileName, cp1252);
  }

  // Builds the program and its main window, creates the dialogs and shows the window.
  TFormMain& Start(const std::string& fileArgument = {}) {
    ProgramPaths paths;
    paths.settingsFile = settingsFile();
    paths.languageCandidates = LanguageCandidates(current.Path(), dir / "config");
    paths.programDir = programDir();
    paths.startDir = current.Path();
    paths.pathVariable = pathVariable;
    main.reset();  // it refers to the program
    program = std::make_unique<Program>(paths, messages, desktop, clock);
    main = std::make_unique<TFormMain>(*program, fileArgument);
    main->CreateDialogs();
    main->show();
    return *main;
  }

  TempDir dir;
  TempDir current;
  std::string pathVariable;
  platform::ScriptedMessageService messages;
  RecordingDesktop desktop;
  platform::FakeClock clock{45000.0};
  std::unique_ptr<Program> program;
  std::unique_ptr<TFormMain> main;
};

}  // namespace qg::shell::testing
