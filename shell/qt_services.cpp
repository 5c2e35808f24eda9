#include "shell/qt_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace qg::shell {

using platform::Answer;
using platform::Buttons;

platform::Answer QtMessageService::Show(platform::BoxKind kind, const std::string& title,
                                        const std::string& text, platform::Buttons buttons) {
  QMessageBox::Icon icon = QMessageBox::Information;
  if (kind == platform::BoxKind::Warning) icon = QMessageBox::Warning;
  if (kind == platform::BoxKind::Confirmation) icon = QMessageBox::Question;
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  switch (buttons) {
    case Buttons::Ok: set = QMessageBox::Ok; break;
    case Buttons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case Buttons::AbortRetryIgnore:
      set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
      break;
  }
  const QString caption = Q(title.empty() ? applicationTitle_ : title);
  QMessageBox box(icon, caption, Q(text), set, QApplication::activeWindow());
  switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Abort: return Answer::Abort;
    case QMessageBox::Retry: return Answer::Retry;
    case QMessageBox::Ignore: return Answer::Ignore;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return platform::CloseAnswer(buttons);
  }
}

bool QtDesktop::OpenUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(Q(url)));
}

bool QtDesktop::StartDetached(const std::filesystem::path& program,
                              const std::vector<std::string>& arguments) {
  QStringList args;
  for (const auto& a : arguments) args << Q(a);
  return QProcess::startDetached(QString::fromStdString(program.string()), args);
}

}  // namespace qg::shell
