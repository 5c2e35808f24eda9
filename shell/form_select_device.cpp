#include "shell/form_select_device.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "shell/program.h"
#include "shell/qt_services.h"
#include "shell/texts.h"

namespace qg::shell {

TFormSelectDevice::TFormSelectDevice(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), list_(program.Host().ListPlugins(), texts_.panel) {
  setObjectName("FormSelectDevice");
  if (program.Language().Loaded()) {
    ApplySelectDeviceTexts(program.Language(), texts_);
    list_.SetPanelText(texts_.panel);
  }
  setWindowTitle(Q(texts_.caption));

  labelSel_ = new QLabel(Q(texts_.label), this);
  labelSel_->setObjectName("LabelSel");
  listBox_ = new QListWidget(this);
  listBox_->setObjectName("ListBoxDevices");
  for (const auto& item : list_.Items()) listBox_->addItem(Q(item));
  panel_ = new QLabel(this);
  panel_->setObjectName("PanelDevice");
  panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel_->setAlignment(Qt::AlignCenter);
  panel_->setMinimumHeight(28);
  buttonOK_ = new QPushButton(Q(texts_.ok), this);
  buttonOK_->setObjectName("ButtonOK");
  buttonOK_->setDefault(true);
  buttonCancel_ = new QPushButton(Q(texts_.cancel), this);
  buttonCancel_->setObjectName("ButtonCancel");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labelSel_);
  layout->addWidget(listBox_, 1);
  layout->addWidget(panel_);
  layout->addLayout(buttons);
  resize(320, 300);

  connect(listBox_, &QListWidget::itemPressed, this, [this](QListWidgetItem* item) {
    list_.Press(static_cast<std::size_t>(listBox_->row(item)));
    UpdatePanel();
  });
  connect(listBox_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) list_.Select(static_cast<std::size_t>(row));
  });
  connect(listBox_, &QListWidget::itemDoubleClicked, this, [this] { ButtonOKClick(); });
  connect(buttonOK_, &QPushButton::clicked, this, &TFormSelectDevice::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this,
          [this] { program_.OpenHelp(plugins::kSelectDeviceHelpTopic); });
}

void TFormSelectDevice::showEvent(QShowEvent* event) {
  list_.Show();
  UpdatePanel();
  QDialog::showEvent(event);
}

// With no plug-in there is nothing to choose: OK stays without effect instead of inventing one.
void TFormSelectDevice::ButtonOKClick() {
  if (!list_.Accept()) return;
  UpdatePanel();
  accept();
}

void TFormSelectDevice::UpdatePanel() { panel_->setText(Q(list_.PanelText())); }

}  // namespace qg::shell
