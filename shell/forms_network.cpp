#include "shell/forms_network.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/convert.h"
#include "shell/form_select_device.h"
#include "shell/program.h"
#include "shell/qt_services.h"

namespace qg::shell {
namespace {

constexpr int kColNumber = 0;
constexpr int kColAddress = 1;
constexpr int kColDevice = 2;
constexpr int kColLabel = 3;

// The editor opens on the cell's text without its surrounding blanks.
class TrimmingDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
      edit->setText(index.data(Qt::EditRole).toString().trimmed());
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }
};

std::string& CellOf(devices::NetworkRow& row, int column) {
  if (column == kColAddress) return row.address;
  if (column == kColDevice) return row.deviceType;
  return row.label;
}

void AddShortcutF1(QDialog* dialog, Program& program, const char* topic) {
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
  QObject::connect(help, &QShortcut::activated, dialog, [&program, topic] { program.OpenHelp(topic); });
}

}  // namespace

// ---- TFormAdvance

TFormAdvance::TFormAdvance(Program& program, QWidget* parent) : QDialog(parent), program_(program) {
  setObjectName("FormAdvance");
  if (program.Language().Loaded()) texts_.Apply(program.Language());
  setWindowTitle(Q(texts_.caption));
  auto* label = new QLabel(Q(texts_.timeoutLabel), this);
  label->setObjectName("LabelTimeout");
  editTimeout_ = new QLineEdit(this);
  editTimeout_->setObjectName("EditTimeout");
  buttonOK_ = new QPushButton(Q(texts_.ok), this);
  buttonOK_->setObjectName("ButtonOK");
  buttonOK_->setDefault(true);
  buttonCancel_ = new QPushButton(Q(texts_.cancel), this);
  buttonCancel_->setObjectName("ButtonCancel");
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(editTimeout_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(buttons);
  connect(buttonOK_, &QPushButton::clicked, this, &TFormAdvance::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormAdvance::showEvent(QShowEvent* event) {
  editTimeout_->setText(QString::number(program_.Link().Par().timeout));
  QDialog::showEvent(event);
}

// A text that is not a number keeps the time-out and the dialog, so the user can mend it.
void TFormAdvance::ButtonOKClick() {
  const std::string text = editTimeout_->text().toStdString();
  const auto value = platform::StrToInt(text);
  if (!value) {
    program_.Messages().Message(platform::ConversionErrorText(text));
    return;
  }
  program_.Link().Par().timeout = static_cast<std::int32_t>(*value);
  accept();
}

// ---- TFormConfigure

TFormConfigure::TFormConfigure(Program& program, TFormSelectDevice& selectDevice,
                               TFormAdvance& advance, QWidget* parent)
    : QDialog(parent), program_(program), selectDevice_(selectDevice), advance_(advance) {
  setObjectName("FormConfigure");
  if (program.Language().Loaded()) texts_.Apply(program.Language());
  setWindowTitle(Q(texts_.caption));

  label1_ = new QLabel(Q(texts_.portLabel), this);
  label1_->setObjectName("Label1");
  comboPort_ = new QComboBox(this);
  comboPort_->setObjectName("ComboPort");
  for (const auto& p : texts_.ports) comboPort_->addItem(Q(p));
  label2_ = new QLabel(Q(texts_.baudLabel), this);
  label2_->setObjectName("Label2");
  comboBaud_ = new QComboBox(this);
  comboBaud_->setObjectName("ComboBaud");
  for (const auto& b : devices::BaudChoices()) comboBaud_->addItem(Q(b));
  buttonAdvanced_ = new QPushButton(Q(texts_.advanced), this);
  buttonAdvanced_->setObjectName("Configurar");
  buttonAdvanced_->setAutoDefault(false);
  buttonOK_ = new QPushButton(Q(texts_.ok), this);
  buttonOK_->setObjectName("ButtonOK");
  buttonOK_->setDefault(true);
  buttonCancel_ = new QPushButton(Q(texts_.cancel), this);
  buttonCancel_->setObjectName("ButtonCancel");

  grid_ = new QTableWidget(devices::kNetworkRows, 4, this);
  grid_->setObjectName("StringGridDevices");
  grid_->setItemDelegate(new TrimmingDelegate(grid_));
  QStringList headings;
  for (const auto& h : texts_.headings) headings << Q(h);
  grid_->setHorizontalHeaderLabels(headings);
  grid_->verticalHeader()->setVisible(false);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                         QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  grid_->setColumnWidth(kColNumber, 40);
  grid_->setColumnWidth(kColAddress, 90);
  grid_->setColumnWidth(kColDevice, 160);
  grid_->horizontalHeader()->setStretchLastSection(true);
  for (int r = 0; r < devices::kNetworkRows; ++r) {
    auto* number = new QTableWidgetItem(QString::number(r + 1));
    number->setFlags(Qt::ItemIsEnabled);
    number->setTextAlignment(Qt::AlignCenter);
    grid_->setItem(r, kColNumber, number);
    for (int c = kColAddress; c <= kColLabel; ++c) {
      auto* item = new QTableWidgetItem;
      // The type is chosen in the selection dialog, never typed.
      item->setFlags(c == kColDevice ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable)
                                     : (Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable));
      grid_->setItem(r, c, item);
    }
  }

  auto* top = new QGridLayout;
  top->addWidget(label1_, 0, 0);
  top->addWidget(comboPort_, 0, 1);
  top->addWidget(label2_, 1, 0);
  top->addWidget(comboBaud_, 1, 1);
  top->setColumnStretch(2, 1);
  top->addWidget(buttonAdvanced_, 0, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(grid_, 1);
  layout->addLayout(buttons);
  resize(520, 520);

  connect(comboPort_, &QComboBox::currentIndexChanged, this,
          [this](int index) { program_.Network().SelectPort(index); });
  connect(comboBaud_, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { program_.Network().SelectBaud(text.toStdString()); });
  connect(buttonAdvanced_, &QPushButton::clicked, this, [this] { advance_.exec(); });
  connect(buttonOK_, &QPushButton::clicked, this, &TFormConfigure::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(grid_, &QTableWidget::cellClicked, this, &TFormConfigure::GridClick);
  connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!filling_) CellEdited(item->row(), item->column());
  });
  AddShortcutF1(this, program_, kConfigureHelpTopic);
  ShowModel();
}

void TFormConfigure::SetCell(int row, int column, const std::string& text) {
  const bool was = filling_;
  filling_ = true;
  grid_->item(row, column)->setText(Q(text));
  filling_ = was;
}

void TFormConfigure::ShowModel() {
  auto& model = program_.Network();
  const int port = model.portIndex;
  const std::string baud = model.baud;
  comboPort_->setCurrentIndex(port);
  comboBaud_->setCurrentText(Q(baud));
  for (int n = 1; n <= devices::kNetworkRows; ++n) {
    const auto& row = model.Row(n);
    SetCell(n - 1, kColAddress, row.address);
    SetCell(n - 1, kColDevice, row.deviceType);
    SetCell(n - 1, kColLabel, row.label);
  }
}

void TFormConfigure::CellEdited(int row, int column) {
  auto& model = program_.Network();
  CellOf(model.Row(row + 1), column) = grid_->item(row, column)->text().toStdString();
  if (column != kColAddress && column != kColLabel) return;
  const auto message = devices::LeaveCell(
      model, row + 1, column == kColLabel ? devices::NetworkColumn::Label : devices::NetworkColumn::Address);
  SetCell(row, column, CellOf(model.Row(row + 1), column));  // trimmed, or emptied
  if (message) {
    program_.Messages().Message(column == kColLabel ? texts_.duplicateLabel : texts_.duplicateAddress);
    // Back to the refused cell once the view has finished moving away from it.
    QTimer::singleShot(0, this, [this, row, column] { grid_->setCurrentCell(row, column); });
  }
}

void TFormConfigure::GridClick(int row, int column) {
  if (column != kColDevice || row < 0 || row >= devices::kNetworkRows) return;
  if (selectDevice_.exec() != QDialog::Accepted) return;
  program_.Network().Row(row + 1).deviceType = selectDevice_.PanelText();
  SetCell(row, kColDevice, selectDevice_.PanelText());
}

void TFormConfigure::ButtonOKClick() {
  // A cell still open in its editor counts as left.
  grid_->setCurrentItem(nullptr);
  const auto result = program_.ApplyNetwork();
  ShowModel();
  if (!result.ok) return;
  devices::WriteNetworkSettings(program_.Settings(), program_.Network(),
                                program_.Link().Par().timeout);
  program_.StoreSettings();
  accept();
}

}  // namespace qg::shell
