#pragma once
// The one QApplication a test process needs, made on first use.
#include <QApplication>

namespace qg::widgets::test {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "widgets_gui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

}  // namespace qg::widgets::test
