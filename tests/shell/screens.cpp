// Shows Quillgraph's windows for a look under a real display (screenshots), not a test:
//   shell_screens main|configure|select|about|cfg|advance
// with the settings of $XDG_CONFIG_HOME and the plug-ins of the build's program folder.
#include <QApplication>
#include <QTimer>
#include <string>

#include "platform/clock.h"
#include "shell/form_select_device.h"
#include "shell/forms_network.h"
#include "shell/main_window.h"
#include "shell/program.h"
#include "shell/qt_services.h"
#include "shell/small_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string which = argc > 1 ? argv[1] : "main";
  qg::shell::QtMessageService messages;
  qg::shell::QtDesktop desktop;
  qg::platform::SystemClock clock;
  auto paths = qg::shell::ProgramPaths::ForThisProgram();
  paths.programDir = QG_PROGRAM_DIR;
  qg::shell::Program program(paths, messages, desktop, clock);
  qg::shell::TFormMain main(program, {});
  main.CreateDialogs();
  main.show();
  QTimer::singleShot(500, [&] {
    QWidget* w = nullptr;
    if (which == "configure") w = main.FormConfigure();
    if (which == "select") w = main.FormSelectDevice();
    if (which == "about") w = main.FormAbout();
    if (which == "cfg") w = main.FormCfg();
    if (which == "advance") w = main.FormAdvance();
    if (which == "tit") w = main.FormTit();
    if (which == "progress") w = main.FormProgress();
    if (w) w->show();
  });
  return app.exec();
}
