#pragma once
// The about box, the start-up window, the title entry, the configurators dialog and the
// progress window.
#include <QDialog>
#include <QWidget>

#include "shell/texts.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qg::shell {

class Program;

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  TFormAbout(Program& program, QWidget* parent = nullptr);
  QPushButton* ButtonOK() const { return buttonOK_; }

 private:
  AboutTexts texts_;
  QPushButton* buttonOK_ = nullptr;
};

// Shown while the dialogs are created; our own picture.
class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  TSplashForm(Program& program, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TFormTit : public QDialog {
  Q_OBJECT
 public:
  TFormTit(Program& program, QWidget* parent = nullptr);
  QLabel* LabelTit() const { return labelTit_; }
  QLineEdit* EditTit() const { return editTit_; }
  QPushButton* ButtonOK() const { return buttonOK_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TitleTexts texts_;
  QLabel* labelTit_ = nullptr;
  QLineEdit* editTit_ = nullptr;
  QPushButton* buttonOK_ = nullptr;
};

class TFormCfg : public QDialog {
  Q_OBJECT
 public:
  TFormCfg(Program& program, QWidget* parent = nullptr);
  QPushButton* BitBtnExecutar() const { return bitBtnExecutar_; }
  QPushButton* ButtonClose() const { return buttonClose_; }
  const CfgTexts& Texts() const { return texts_; }

 public slots:
  void BitBtnExecutarClick();

 private:
  Program& program_;
  CfgTexts texts_;
  QComboBox* comboCfg_ = nullptr;
  QPushButton* bitBtnExecutar_ = nullptr;
  QPushButton* buttonClose_ = nullptr;
};

class TFormProgress : public QDialog {
  Q_OBJECT
 public:
  TFormProgress(Program& program, QWidget* parent = nullptr);
  QLabel* LabelColl() const { return labelColl_; }
  QProgressBar* ProgressBarColl() const { return progressBarColl_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

 private:
  ProgressTexts texts_;
  QLabel* labelColl_ = nullptr;
  QProgressBar* progressBarColl_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
};

// The application's picture: a trend line on a chart grid, drawn, not loaded.
void PaintQuillgraphPicture(class QPainter& painter, const QRect& area);

}  // namespace qg::shell
