// quillgraph: the main program.
#include <QApplication>

#include "platform/clock.h"
#include "shell/main_window.h"
#include "shell/program.h"
#include "shell/qt_services.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("quillgraph");
  qg::shell::QtMessageService messages;
  qg::shell::QtDesktop desktop;
  qg::platform::SystemClock clock;
  qg::shell::Program program(qg::shell::ProgramPaths::ForThisProgram(), messages, desktop, clock);
  const QStringList args = QApplication::arguments();
  qg::shell::TFormMain main(program, args.size() > 1 ? args.at(1).toStdString() : std::string());
  main.CreateDialogs();
  main.show();
  return app.exec();
}
