#pragma once
// The one QApplication a test process needs, made on first use.
#include <QApplication>

namespace qg::widgets::test {

inline QApplication& App() {
  // Window tests never need a display. (The test helper means to set this too, but its
  // environment list reaches CTest cut after its first entry.)
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "widgets_gui_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down during static destruction crashes in its own globals.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace qg::widgets::test
