#include "shell/small_dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "shell/locate.h"
#include "shell/program.h"
#include "shell/qt_services.h"

namespace qg::shell {

void PaintQuillgraphPicture(QPainter& painter, const QRect& area) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(area.topLeft(), area.bottomLeft());
  sky.setColorAt(0, QColor(0, 40, 90));
  sky.setColorAt(1, QColor(0, 90, 140));
  painter.fillRect(area, sky);
  const QRect chart = area.adjusted(area.width() / 12, area.height() / 8, -area.width() / 12,
                                    -area.height() / 5);
  painter.setPen(QPen(QColor(255, 255, 255, 50), 1));
  for (int i = 0; i <= 10; ++i) {
    const int x = chart.left() + chart.width() * i / 10;
    painter.drawLine(x, chart.top(), x, chart.bottom());
  }
  for (int i = 0; i <= 5; ++i) {
    const int y = chart.top() + chart.height() * i / 5;
    painter.drawLine(chart.left(), y, chart.right(), y);
  }
  const QColor pens[] = {QColor(255, 80, 80), QColor(90, 230, 120), QColor(255, 220, 60)};
  for (int p = 0; p < 3; ++p) {
    QPainterPath path;
    for (int i = 0; i <= 100; ++i) {
      const double t = i / 100.0;
      const double v = 0.5 + 0.28 * std::sin(6.0 * t + p * 1.7) * std::cos(2.0 * t + p) - 0.12 * (p - 1);
      const QPointF pt(chart.left() + t * chart.width(), chart.bottom() - v * chart.height());
      if (i == 0) path.moveTo(pt); else path.lineTo(pt);
    }
    painter.setPen(QPen(pens[p], 2.5));
    painter.drawPath(path);
  }
  painter.restore();
}

namespace {

QPushButton* MakeButton(const std::string& caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(Q(caption), parent);
  b->setObjectName(name);
  return b;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (auto* b : buttons) row->addWidget(b);
  row->addStretch();
  return row;
}

class PictureLabel final : public QWidget {
 public:
  explicit PictureLabel(QWidget* parent) : QWidget(parent) { setFixedSize(64, 48); }
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    PaintQuillgraphPicture(p, rect());
  }
};

}  // namespace

// ---- About box

TFormAbout::TFormAbout(Program& program, QWidget* parent) : QDialog(parent) {
  setObjectName("FormAbout");
  if (program.Language().Loaded()) texts_.Apply(program.Language());
  setWindowTitle(Q(texts_.caption));
  auto* product = new QLabel(Q(texts_.product), this);
  product->setObjectName("LabelProduct");
  product->setStyleSheet("color: navy; font-weight: bold; font-size: 14pt;");
  auto* label4 = new QLabel(Q(texts_.versionLabel), this);
  label4->setObjectName("Label4");
  auto* version = new QLabel(Q(texts_.version), this);
  version->setObjectName("LabelVersion");
  version->setStyleSheet("color: maroon; font-weight: bold;");
  buttonOK_ = MakeButton(texts_.ok, "ButtonOK", this);
  buttonOK_->setDefault(true);
  auto* grid = new QGridLayout;
  grid->addWidget(new PictureLabel(this), 0, 0, 2, 1);
  grid->addWidget(product, 0, 1, 1, 2);
  grid->addWidget(label4, 1, 1);
  grid->addWidget(version, 1, 2);
  grid->setColumnStretch(2, 1);
  grid->setHorizontalSpacing(12);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(10);
  layout->addLayout(ButtonRow({buttonOK_}));
  connect(buttonOK_, &QPushButton::clicked, this, &QDialog::accept);
}

// ---- Start-up window

TSplashForm::TSplashForm(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("SplashForm");
  SplashTexts texts;
  if (program.Language().Loaded()) texts.Apply(program.Language());
  setWindowTitle(Q(texts.caption));
  resize(480, 300);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->availableGeometry();
    move(s.center() - rect().center());
  }
}

void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintQuillgraphPicture(p, rect());
  QFont f = font();
  f.setPointSize(28);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(rect().adjusted(0, 0, 0, -height() / 12), Qt::AlignHCenter | Qt::AlignBottom,
             "Quillgraph");
}

// ---- Title entry

TFormTit::TFormTit(Program& program, QWidget* parent) : QDialog(parent) {
  setObjectName("FormTit");
  if (program.Language().Loaded()) texts_.Apply(program.Language());
  setWindowTitle(Q(texts_.caption));
  labelTit_ = new QLabel(Q(texts_.prompt), this);
  labelTit_->setObjectName("LabelTit");
  editTit_ = new QLineEdit(this);
  editTit_->setObjectName("EditTit");
  editTit_->setMaxLength(16);
  buttonOK_ = MakeButton(texts_.ok, "ButtonOK", this);
  buttonOK_->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labelTit_);
  layout->addWidget(editTit_);
  layout->addLayout(ButtonRow({buttonOK_}));
  connect(buttonOK_, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormTit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  editTit_->setFocus();
}

// ---- Configurators

TFormCfg::TFormCfg(Program& program, QWidget* parent) : QDialog(parent), program_(program) {
  setObjectName("FormCfg");
  if (program.Language().Loaded()) texts_.Apply(program.Language());
  setWindowTitle(Q(texts_.caption));
  auto* labelConf = new QLabel(Q(texts_.configLabel), this);
  labelConf->setObjectName("LabelConf");
  auto* labelDev = new QLabel(Q(texts_.deviceLabel), this);
  labelDev->setObjectName("LabelDev");
  comboCfg_ = new QComboBox(this);
  comboCfg_->setObjectName("ComboCfg");
  comboCfg_->addItem("Harrowmeter");
  comboCfg_->setCurrentIndex(0);
  bitBtnExecutar_ = MakeButton(texts_.execute, "BitBtnExecutar", this);
  bitBtnExecutar_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  bitBtnExecutar_->setDefault(true);
  buttonClose_ = MakeButton(texts_.close, "ButtonClose", this);
  auto* grid = new QGridLayout;
  grid->addWidget(labelConf, 0, 0, 1, 2);
  grid->addWidget(labelDev, 1, 0);
  grid->addWidget(comboCfg_, 1, 1);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(ButtonRow({bitBtnExecutar_, buttonClose_}));
  resize(340, sizeHint().height());
  connect(bitBtnExecutar_, &QPushButton::clicked, this, &TFormCfg::BitBtnExecutarClick);
  connect(buttonClose_, &QPushButton::clicked, this, &QDialog::reject);
}

// The configurator opens the port without sharing; while ours is open it could not work.
void TFormCfg::BitBtnExecutarClick() {
  if (program_.Link().DDM_IfDriverExist()) {
    program_.Messages().Message(texts_.messages[2]);
    return;
  }
  const auto& paths = program_.Paths();
  if (const auto path = FindProgram(kConfiguratorProgram, paths.programDir, paths.pathVariable))
    program_.DesktopServices().StartDetached(*path, {});
  else
    program_.Messages().Message(texts_.messages[3]);
  accept();
}

// ---- Progress window

TFormProgress::TFormProgress(Program& program, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowContextHelpButtonHint) {
  setObjectName("FormProgress");
  if (program.Language().Loaded()) texts_.Apply(program.Language());
  labelColl_ = new QLabel(this);
  labelColl_->setObjectName("LabelColl");
  progressBarColl_ = new QProgressBar(this);
  progressBarColl_->setObjectName("ProgressBarColl");
  progressBarColl_->setRange(0, 100);
  buttonCancel_ = MakeButton(texts_.cancel, "ButtonCancel", this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labelColl_);
  layout->addWidget(progressBarColl_);
  layout->addLayout(ButtonRow({buttonCancel_}));
  resize(360, sizeHint().height());
}

}  // namespace qg::shell
