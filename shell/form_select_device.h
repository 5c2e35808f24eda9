#pragma once
// The device type selection dialog over the list of plug-ins found at start-up.
#include <QDialog>
#include <optional>
#include <string>

#include "plugins/select_device.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace qg::shell {

class Program;

class TFormSelectDevice : public QDialog {
  Q_OBJECT
 public:
  TFormSelectDevice(Program& program, QWidget* parent = nullptr);

  // The name the panel shows: the device type chosen when the dialog ended with OK.
  const std::string& PanelText() const { return list_.PanelText(); }
  const plugins::SelectDeviceList& List() const { return list_; }
  const plugins::SelectDeviceTexts& Texts() const { return texts_; }

  QListWidget* ListBox() const { return listBox_; }
  QPushButton* ButtonOK() const { return buttonOK_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

 public slots:
  void ButtonOKClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void UpdatePanel();

  Program& program_;
  plugins::SelectDeviceTexts texts_;
  plugins::SelectDeviceList list_;
  QLabel* labelSel_ = nullptr;
  QListWidget* listBox_ = nullptr;
  QLabel* panel_ = nullptr;
  QPushButton* buttonOK_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
};

}  // namespace qg::shell
