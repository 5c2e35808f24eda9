#pragma once
// Quillgraph's main window: the multiple-document frame, its menus, tool bar and status bar,
// the three one-second timers, start-up and shut-down.
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "devices/poller.h"
#include "shell/monitor_count.h"
#include "shell/texts.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolButton;

namespace qg::shell {

class Program;
class TFormAbout;
class TFormAdvance;
class TFormCfg;
class TFormConfigure;
class TFormProgress;
class TFormSelectDevice;
class TFormTit;

inline constexpr const char* kMainHelpTopic = "Conteudo";

class TFormMain : public QMainWindow {
  Q_OBJECT
 public:
  // `fileArgument` is the first argument of the command line, empty when there is none.
  TFormMain(Program& program, std::string fileArgument, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Creates the dialogs, once each, while the start-up window shows.
  void CreateDialogs();
  // What the first showing does: the file argument, or else the network from the settings.
  void FirstShown();

  // The timers' work, callable without waiting for a tick.
  void TimerMainTimer();
  void TimerDDMTimer();
  void TimerHistoryTimer();

  QAction* Action(const std::string& control) const;
  QToolButton* SpeedButton(const std::string& control) const;
  QMdiArea* MdiArea() const { return mdi_; }
  QMenu* WindowMenu() const { return janela1_; }
  QString StatusText() const;
  QTimer& TimerMain() { return timerMain_; }
  QTimer& TimerDDM() { return timerDDM_; }
  QTimer& TimerHistory() { return timerHistory_; }
  const MainTexts& Texts() const { return texts_; }
  MonitorCount& Monitors() { return monitors_; }
  devices::Scanner& Scanner() { return scanner_; }

  TFormConfigure* FormConfigure() const { return formConfigure_; }
  TFormAdvance* FormAdvance() const { return formAdvance_; }
  TFormSelectDevice* FormSelectDevice() const { return formSelectDevice_; }
  TFormAbout* FormAbout() const { return formAbout_; }
  TFormTit* FormTit() const { return formTit_; }
  TFormCfg* FormCfg() const { return formCfg_; }
  TFormProgress* FormProgress() const { return formProgress_; }

  // Window menu commands.
  void ItemCascadeClick();
  void ItemArrangeIconsClick();
  void ItemVerticalTileClick();
  void ItemHorizontalTileClick();
  void ItemRestoreAllClick();
  void ItemMinimizeAllClick();
  void ItemCloseAllClick();

  // Opening a file named on the command line; wired by the monitor file and file graph
  // windows. The monitor file opener answers false when the file cannot be read.
  std::function<bool(const std::string&)> openMonitorFile;
  std::function<void(const std::string&)> openHistoryGraph;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void FillWindowMenu();
  void Tile(bool sideBySide);
  void ShutDown();

  Program& program_;
  std::string fileArgument_;
  MainTexts texts_;
  MonitorCount monitors_;
  int openFileGraphs_ = 0;
  int overlayNumber_ = 1;
  int joinNumber_ = 1;
  bool shown_ = false;
  bool shutDown_ = false;
  QMdiArea* mdi_ = nullptr;
  QLabel* status_ = nullptr;
  QMenu* janela1_ = nullptr;
  std::map<std::string, QAction*> actions_;
  std::map<std::string, QToolButton*> buttons_;
  QTimer timerMain_;
  QTimer timerDDM_;
  QTimer timerHistory_;
  devices::Scanner scanner_;

  TFormConfigure* formConfigure_ = nullptr;
  TFormAdvance* formAdvance_ = nullptr;
  TFormSelectDevice* formSelectDevice_ = nullptr;
  TFormAbout* formAbout_ = nullptr;
  TFormTit* formTit_ = nullptr;
  TFormCfg* formCfg_ = nullptr;
  TFormProgress* formProgress_ = nullptr;
};

}  // namespace qg::shell
