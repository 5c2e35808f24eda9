#pragma once
// The device network dialog and the communication time-out dialog: thin windows over the
// network model that the program holds.
#include <QDialog>

#include "devices/network.h"
#include "shell/texts.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace qg::shell {

class Program;
class TFormSelectDevice;

inline constexpr const char* kConfigureHelpTopic = "Configurar";

class TFormAdvance : public QDialog {
  Q_OBJECT
 public:
  TFormAdvance(Program& program, QWidget* parent = nullptr);
  QLineEdit* EditTimeout() const { return editTimeout_; }
  QPushButton* ButtonOK() const { return buttonOK_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }
  const AdvanceTexts& Texts() const { return texts_; }

 public slots:
  void ButtonOKClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Program& program_;
  AdvanceTexts texts_;
  QLineEdit* editTimeout_ = nullptr;
  QPushButton* buttonOK_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
};

class TFormConfigure : public QDialog {
  Q_OBJECT
 public:
  TFormConfigure(Program& program, TFormSelectDevice& selectDevice, TFormAdvance& advance,
                 QWidget* parent = nullptr);

  QTableWidget* Grid() const { return grid_; }
  QComboBox* ComboPort() const { return comboPort_; }
  QComboBox* ComboBaud() const { return comboBaud_; }
  QPushButton* ButtonOK() const { return buttonOK_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }
  QPushButton* ButtonAdvanced() const { return buttonAdvanced_; }
  const ConfigureTexts& Texts() const { return texts_; }

  // Shows the model in the controls (after the settings or a monitor file filled it).
  void ShowModel();
  // A click in a cell: the "Dispositivo" column opens the type selection, the others edit.
  void GridClick(int row, int column);

 public slots:
  void ButtonOKClick();

 private:
  // The editor committed a cell: the model takes the text, and an address or label is checked.
  void CellEdited(int row, int column);
  void SetCell(int row, int column, const std::string& text);

  Program& program_;
  TFormSelectDevice& selectDevice_;
  TFormAdvance& advance_;
  ConfigureTexts texts_;
  bool filling_ = false;  // the grid is being filled from the model, not edited
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QComboBox* comboPort_ = nullptr;
  QComboBox* comboBaud_ = nullptr;
  QPushButton* buttonAdvanced_ = nullptr;
  QPushButton* buttonOK_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
  QTableWidget* grid_ = nullptr;
};

}  // namespace qg::shell
