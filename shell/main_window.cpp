#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "shell/form_select_device.h"
#include "shell/forms_network.h"
#include "shell/program.h"
#include "shell/qt_services.h"
#include "shell/small_dialogs.h"

namespace qg::shell {
namespace {

// The menu items, by control name and language line, in menu order; a null control is a
// separator. Items whose windows come with their own features start disabled.
struct Item {
  const char* control;
  int line;
  bool enabled;
};
const Item kArquivo[] = {{"ItemOpen", 1, false},          {"ItemSave", 2, false},
                         {"ItemSaveAs", 3, false},        {"ItemExport", 4, false},
                         {"ItemImport", 5, false},        {nullptr, 0, false},
                         {"ItemConfigPrinter", 6, false}, {"ItemPrint", 7, false},
                         {nullptr, 0, false},             {"ItemExit", 8, true}};
const Item kEditar[] = {{"ItemCopy", 10, false}};
const Item kVisualizar[] = {{"ItemGraphic", 12, false},     {"ItemList", 13, false},
                            {nullptr, 0, false},            {"ItemMergeGraphic", 14, false},
                            {"ItemJoinGraphic", 15, false}, {nullptr, 0, false},
                            {"ItemZoomRange", 16, false},   {"ItemZoomIn", 17, false},
                            {"ItemZoomOut", 18, false},     {"Item100percent", 19, false}};
const Item kDispositivo[] = {{"ItemDeviceConfigure", 21, true},
                             {"ItemDeviceUpload", 22, false},
                             {"ItemDeviceMonitor", 23, false}};
const Item kJanela[] = {{"ItemCascade", 26, true},        {"ItemArrangeIcons", 27, true},
                        {"ItemVerticalTile", 28, true},   {"ItemHorizontalTile", 29, true},
                        {nullptr, 0, false},              {"ItemRestoreAll", 30, true},
                        {"ItemMinimizeAll", 31, true},    {nullptr, 0, false},
                        {"ItemCloseAll", 32, true}};
const Item kAjuda[] = {{"ItemContents", 34, true}, {"ItemAbout", 36, true}};

// Speed buttons, left to right: control, hint line, the menu item it runs, its glyph.
struct Button {
  const char* control;
  int hintLine;
  const char* item;
  const char* glyph;
  QColor colour;
};
const Button kButtons[] = {
    {"SpeedButtonOpen", 37, "ItemOpen", "\u25B2", QColor(200, 150, 30)},
    {"SpeedButtonSave", 38, "ItemSave", "\u25BC", QColor(30, 90, 200)},
    {"SpeedButtonExport", 39, "ItemExport", "Tx", QColor(40, 120, 60)},
    {"SpeedButtonImport", 40, "ItemImport", "Im", QColor(120, 120, 120)},
    {"SpeedButtonPrint", 41, "ItemPrint", "Pr", QColor(60, 60, 60)},
    {"SpeedButtonCopy", 42, "ItemCopy", "Cp", QColor(90, 60, 160)},
    {"SpeedButtonGraphic", 43, "ItemGraphic", "\u223F", QColor(200, 40, 40)},
    {"SpeedButtonList", 44, "ItemList", "\u2261", QColor(30, 90, 200)},
    {"SpeedButtonMerge", 45, "ItemMergeGraphic", "\u2295", QColor(160, 60, 120)},
    {"SpeedButtonJoin", 46, "ItemJoinGraphic", "\u21D4", QColor(160, 60, 120)},
    {"SpeedButtonZoomRange", 47, "ItemZoomRange", "\u2194", QColor(0, 120, 140)},
    {"SpeedButtonZoomIn", 48, "ItemZoomIn", "+", QColor(0, 120, 140)},
    {"SpeedButtonZoomOut", 49, "ItemZoomOut", "\u2212", QColor(0, 120, 140)},
    {"SpeedButton100percent", 50, "Item100percent", "1:1", QColor(0, 120, 140)},
    {"SpeedButtonDeviceConfigure", 52, "ItemDeviceConfigure", "\u2699", QColor(90, 90, 90)},
    {"SpeedButtonDeviceUpload", 53, "ItemDeviceUpload", "\u2193", QColor(40, 120, 60)},
    {"SpeedButtonDeviceMonitor", 54, "ItemDeviceMonitor", "\u25D4", QColor(200, 40, 40)},
    {"SpeedButtonHelp", 55, "ItemContents", "?", QColor(30, 90, 200)},
    {"SpeedButtonCfg", 51, "ItemConfiguradores", "Cf", QColor(130, 80, 20)},
};

QIcon Glyph(const QString& text, const QColor& colour) {
  QPixmap pm(24, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(colour.darker(130), 1));
  p.setBrush(QColor(250, 250, 245));
  p.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 4, 4);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(text.size() > 2 ? 10 : (text.size() > 1 ? 11 : 15));
  p.setFont(f);
  p.setPen(colour);
  p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, text);
  p.end();
  QIcon icon(pm);
  return icon;
}

}  // namespace

TFormMain::TFormMain(Program& program, std::string fileArgument, QWidget* parent)
    : QMainWindow(parent),
      program_(program),
      fileArgument_(std::move(fileArgument)),
      scanner_(devices::Scanner::Hooks{[this] { if (!timerHistory_.isActive()) timerHistory_.start(); },
                                       [this] { timerHistory_.stop(); }}) {
  setObjectName("FormMain");
  setWindowTitle("Quillgraph");
  // The texts first, then the language file over them.
  program_.LoadLanguage();
  if (program_.Language().Loaded()) texts_.Apply(program_.Language());

  mdi_ = new QMdiArea(this);
  mdi_->setObjectName("MdiArea");
  mdi_->setBackground(QColor(128, 128, 128));
  setCentralWidget(mdi_);
  BuildMenus();
  BuildToolBar();
  status_ = new QLabel(this);
  status_->setObjectName("StatusBarText");
  QFont tahoma("Tahoma");
  status_->setFont(tahoma);
  status_->setStyleSheet("color: red;");
  statusBar()->addWidget(status_, 1);
  statusBar()->setSizeGripEnabled(true);
  resize(900, 640);

  // The device list exists with the program; the port starts closed.
  program_.Link().DDM_CloseDriver();
  program_.OpenSettings();

  timerMain_.setObjectName("TimerMain");
  timerDDM_.setObjectName("TimerDDM");
  timerHistory_.setObjectName("TimerHistory");
  for (QTimer* t : {&timerMain_, &timerDDM_, &timerHistory_}) t->setInterval(1000);
  connect(&timerMain_, &QTimer::timeout, this, &TFormMain::TimerMainTimer);
  connect(&timerDDM_, &QTimer::timeout, this, &TFormMain::TimerDDMTimer);
  connect(&timerHistory_, &QTimer::timeout, this, &TFormMain::TimerHistoryTimer);
  timerMain_.start();
  timerDDM_.start();
  timerHistory_.start();

  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { program_.OpenHelp(kMainHelpTopic); });
}

TFormMain::~TFormMain() { ShutDown(); }

void TFormMain::BuildMenus() {
  auto addMenu = [this](const char* control, int line, const auto& items) {
    QMenu* menu = menuBar()->addMenu(Q(texts_.captions[static_cast<std::size_t>(line)]));
    menu->setObjectName(control);
    for (const Item& item : items) {
      if (item.control == nullptr) {
        menu->addSeparator();
        continue;
      }
      QAction* a = menu->addAction(Q(texts_.captions[static_cast<std::size_t>(item.line)]));
      a->setObjectName(item.control);
      a->setEnabled(item.enabled);
      actions_[item.control] = a;
    }
    return menu;
  };
  addMenu("Arquivo1", 0, kArquivo);
  addMenu("Editar1", 9, kEditar);
  addMenu("Visualizar1", 11, kVisualizar);
  addMenu("Dispositivo1", 20, kDispositivo);
  QAction* cfg = menuBar()->addAction(Q(texts_.captions[24]));
  cfg->setObjectName("ItemConfiguradores");
  actions_["ItemConfiguradores"] = cfg;
  janela1_ = addMenu("Janela1", 25, kJanela);
  addMenu("Ajuda1", 33, kAjuda);
  actions_["ItemCascade"]->setStatusTip("Janelas em Cascata");
  actions_["ItemCascade"]->setToolTip("Janelas em Cascata");

  connect(actions_["ItemExit"], &QAction::triggered, this, &QWidget::close);
  connect(actions_["ItemDeviceConfigure"], &QAction::triggered, this, [this] {
    formConfigure_->ShowModel();
    formConfigure_->exec();
  });
  connect(cfg, &QAction::triggered, this, [this] { formCfg_->exec(); });
  connect(actions_["ItemContents"], &QAction::triggered, this,
          [this] { program_.OpenHelp(kMainHelpTopic); });
  connect(actions_["ItemAbout"], &QAction::triggered, this, [this] { formAbout_->exec(); });
  connect(actions_["ItemCascade"], &QAction::triggered, this, &TFormMain::ItemCascadeClick);
  connect(actions_["ItemArrangeIcons"], &QAction::triggered, this, &TFormMain::ItemArrangeIconsClick);
  connect(actions_["ItemVerticalTile"], &QAction::triggered, this, &TFormMain::ItemVerticalTileClick);
  connect(actions_["ItemHorizontalTile"], &QAction::triggered, this,
          &TFormMain::ItemHorizontalTileClick);
  connect(actions_["ItemRestoreAll"], &QAction::triggered, this, &TFormMain::ItemRestoreAllClick);
  connect(actions_["ItemMinimizeAll"], &QAction::triggered, this, &TFormMain::ItemMinimizeAllClick);
  connect(actions_["ItemCloseAll"], &QAction::triggered, this, &TFormMain::ItemCloseAllClick);
  connect(janela1_, &QMenu::aboutToShow, this, &TFormMain::FillWindowMenu);
}

void TFormMain::BuildToolBar() {
  QToolBar* bar = addToolBar("SpeedBar");
  bar->setObjectName("SpeedBar");
  bar->setMovable(false);
  bar->setIconSize(QSize(24, 24));
  int group = 0;
  for (const Button& b : kButtons) {
    QAction* item = actions_.at(b.item);
    auto* button = new QToolButton(bar);
    button->setObjectName(b.control);
    button->setIcon(Glyph(QString::fromUtf8(b.glyph), b.colour));
    button->setToolTip(Q(texts_.hints[static_cast<std::size_t>(b.hintLine - 37)]));
    button->setAutoRaise(true);
    button->setEnabled(item->isEnabled());
    connect(button, &QToolButton::clicked, item, &QAction::trigger);
    connect(item, &QAction::enabledChanged, button, &QWidget::setEnabled);
    // Gaps between the groups of the bar: files, view, zoom, devices, help.
    if (group != 0 && (std::string(b.control) == "SpeedButtonGraphic" ||
                       std::string(b.control) == "SpeedButtonZoomRange" ||
                       std::string(b.control) == "SpeedButtonDeviceConfigure" ||
                       std::string(b.control) == "SpeedButtonHelp"))
      bar->addSeparator();
    ++group;
    bar->addWidget(button);
    buttons_[b.control] = button;
  }
}

QAction* TFormMain::Action(const std::string& control) const {
  const auto it = actions_.find(control);
  return it == actions_.end() ? nullptr : it->second;
}

QToolButton* TFormMain::SpeedButton(const std::string& control) const {
  const auto it = buttons_.find(control);
  return it == buttons_.end() ? nullptr : it->second;
}

void TFormMain::CreateDialogs() {
  auto splash = std::make_unique<TSplashForm>(program_);
  splash->show();
  QApplication::processEvents();
  formAdvance_ = new TFormAdvance(program_, this);
  formSelectDevice_ = new TFormSelectDevice(program_, this);
  formConfigure_ = new TFormConfigure(program_, *formSelectDevice_, *formAdvance_, this);
  formAbout_ = new TFormAbout(program_, this);
  formProgress_ = new TFormProgress(program_, this);
  formTit_ = new TFormTit(program_, this);
  formCfg_ = new TFormCfg(program_, this);
  splash.reset();
}

void TFormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FirstShown();
  }
}

void TFormMain::FirstShown() {
  const std::string& arg = fileArgument_;
  if (!arg.empty()) {
    if (arg.find(".mon") != std::string::npos || arg.find(".MON") != std::string::npos) {
      if (openMonitorFile && !openMonitorFile(arg))
        program_.Messages().Message(texts_.texts[kTextFilePrefix] + arg +
                                    texts_.texts[kTextFileMissingSuffix]);
    }
    if (arg.find(".hst") != std::string::npos || arg.find(".HST") != std::string::npos) {
      if (openHistoryGraph) openHistoryGraph(arg);
    }
  } else {
    program_.ReadAndApplyNetwork();
    if (formConfigure_) formConfigure_->ShowModel();
  }
}

void TFormMain::TimerMainTimer() {
  // The poller keeps its status with the built-in prefix; the window shows its own text.
  std::string text = scanner_.StatusText();
  const std::string prefix = devices::kCommErrorPrefix;
  if (text.compare(0, prefix.size(), prefix) == 0)
    text = texts_.texts[kTextCommError] + text.substr(prefix.size());
  status_->setText(Q(text));
}

void TFormMain::TimerDDMTimer() {
  scanner_.Tick(program_.Devices(), program_.Link(), program_.Host());
}

void TFormMain::TimerHistoryTimer() { program_.HistoryTick(); }

QString TFormMain::StatusText() const { return status_->text(); }

void TFormMain::FillWindowMenu() {
  for (QAction* a : janela1_->actions())
    if (a->property("qgWindowEntry").toBool()) {
      janela1_->removeAction(a);
      a->deleteLater();
    }
  const auto children = mdi_->subWindowList();
  if (children.isEmpty()) return;
  QAction* sep = janela1_->addSeparator();
  sep->setProperty("qgWindowEntry", true);
  int n = 1;
  for (QMdiSubWindow* w : children) {
    QAction* a = janela1_->addAction(QString("&%1 %2").arg(n++).arg(w->windowTitle()));
    a->setProperty("qgWindowEntry", true);
    a->setCheckable(true);
    a->setChecked(w == mdi_->activeSubWindow());
    connect(a, &QAction::triggered, mdi_, [this, w] { mdi_->setActiveSubWindow(w); });
  }
}

void TFormMain::ItemCascadeClick() { mdi_->cascadeSubWindows(); }

void TFormMain::ItemArrangeIconsClick() {
  int x = 0;
  const int bottom = mdi_->viewport()->height();
  for (QMdiSubWindow* w : mdi_->subWindowList()) {
    if (!w->isMinimized()) continue;
    w->move(x, bottom - w->height());
    x += w->width();
  }
}

// Side by side (vertical tiling) or one above the other (horizontal tiling).
void TFormMain::Tile(bool sideBySide) {
  QList<QMdiSubWindow*> tiles;
  for (QMdiSubWindow* w : mdi_->subWindowList())
    if (w->isVisible() && !w->isMinimized()) tiles << w;
  if (tiles.isEmpty()) return;
  const QRect area = mdi_->viewport()->rect();
  const int n = static_cast<int>(tiles.size());
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = tiles[i];
    if (w->isMaximized()) w->showNormal();
    if (sideBySide) {
      const int x0 = area.width() * i / n, x1 = area.width() * (i + 1) / n;
      w->setGeometry(x0, 0, x1 - x0, area.height());
    } else {
      const int y0 = area.height() * i / n, y1 = area.height() * (i + 1) / n;
      w->setGeometry(0, y0, area.width(), y1 - y0);
    }
  }
}

void TFormMain::ItemVerticalTileClick() { Tile(true); }
void TFormMain::ItemHorizontalTileClick() { Tile(false); }

void TFormMain::ItemRestoreAllClick() {
  for (int pass = 0; pass < 6; ++pass) {
    const auto children = mdi_->subWindowList();
    for (auto it = children.rbegin(); it != children.rend(); ++it) (*it)->showNormal();
  }
}

void TFormMain::ItemMinimizeAllClick() {
  const auto children = mdi_->subWindowList();
  for (auto it = children.rbegin(); it != children.rend(); ++it) (*it)->showMinimized();
}

void TFormMain::ItemCloseAllClick() {
  const auto children = mdi_->subWindowList();
  for (auto it = children.rbegin(); it != children.rend(); ++it) (*it)->close();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  ShutDown();
  event->accept();
}

// Children first (a monitor closes its recorder), then the devices of the accepted labels,
// then the port.
void TFormMain::ShutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  for (QTimer* t : {&timerMain_, &timerDDM_, &timerHistory_}) t->stop();
  const auto children = mdi_->subWindowList();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    (*it)->close();
    delete *it;
  }
  auto& network = program_.Network();
  for (int n = 1; n <= devices::kNetworkRows; ++n) {
    const std::string& label = network.acceptedLabels[static_cast<std::size_t>(n)];
    if (label.empty()) continue;
    if (const devices::CDevice* device = program_.Devices().Find(label))
      program_.Devices().Remove(device);
  }
  program_.Link().DDM_CloseDriver();
}

}  // namespace qg::shell
