#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <map>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "platform/cp1252.h"
#include "platform/profile.h"
#include "shell/form_select_device.h"
#include "shell/forms_network.h"
#include "shell/language.h"
#include "shell/locate.h"
#include "shell/qt_services.h"
#include "shell/small_dialogs.h"
#include "window_fixture.h"

namespace qg::shell {
namespace {

using testing::ReadFile;
using testing::WindowFixture;

const char kTwoDevices[] =
    "[Communication]\r\nPort=1\r\nBaud=19200\r\nTimeout=120\r\n"
    "Address1=5\r\nDevice1=Harrowmeter\r\nLabel1=Forno\r\n"
    "Address2=7\r\nDevice2=Harrowmeter\r\nLabel2=Estufa\r\n";

std::string Cell(TFormConfigure& f, int row, int column) {
  return f.Grid()->item(row, column)->text().toStdString();
}

// Types `text` into a cell through its editor and leaves the cell, as a user would.
void TypeInto(TFormConfigure& f, int row, int column, const QString& text) {
  QTableWidget* grid = f.Grid();
  grid->setCurrentCell(row, column);
  grid->editItem(grid->item(row, column));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // editors closed by now
  auto* editor = grid->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(text);
  grid->setCurrentCell(row == 63 ? 0 : row + 1, 0);  // leave the cell
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor
}

// Runs `action` as soon as the next modal dialog's loop is running.
void WhenModal(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

class ShellWindowsTest : public ::testing::Test, public WindowFixture {};

TEST_F(ShellWindowsTest, StartUpReadsAndAppliesTheSettings) {
  AddHarrowmeter();
  WriteSettings(kTwoDevices);
  TFormMain& main = Start();
  auto& devices = program->Devices();
  ASSERT_EQ(devices.Size(), 2u);
  const auto* forno = devices.Find("Forno");
  ASSERT_NE(forno, nullptr);
  EXPECT_EQ(forno->Address, 5);
  EXPECT_EQ(forno->Port, 1);
  EXPECT_EQ(forno->Baud, 19200);
  EXPECT_EQ(forno->ChannelCount, 8);
  EXPECT_EQ(program->Link().Par().timeout, 120);
  EXPECT_FALSE(program->Link().DDM_IfDriverExist());

  TFormConfigure& conf = *main.FormConfigure();
  EXPECT_EQ(conf.ComboPort()->currentText(), "COM1");
  EXPECT_EQ(conf.ComboBaud()->currentText(), "19200");
  EXPECT_EQ(Cell(conf, 1, 3), "Estufa");
  EXPECT_EQ(Cell(conf, 1, 2), "Harrowmeter");
  EXPECT_EQ(Cell(conf, 63, 0), "64");
  EXPECT_EQ(messages.Count(), 0u);
  for (QTimer* t : {&main.TimerMain(), &main.TimerDDM(), &main.TimerHistory()}) {
    EXPECT_TRUE(t->isActive());
    EXPECT_EQ(t->interval(), 1000);
  }
}

// A file argument replaces the network of the settings, whether or not it opens anything.
TEST_F(ShellWindowsTest, AFileArgumentDoesNotReadTheNetwork) {
  AddHarrowmeter();
  WriteSettings(kTwoDevices);
  Start("notes.txt");
  EXPECT_TRUE(program->Devices().Empty());
  EXPECT_EQ(program->Network().Row(1).label, "");
}

TEST_F(ShellWindowsTest, GridRefusesDuplicatesAndTrims) {
  AddHarrowmeter();
  WriteSettings(kTwoDevices);
  TFormConfigure& conf = *Start().FormConfigure();
  conf.show();

  TypeInto(conf, 2, 3, "  Sala  ");
  EXPECT_EQ(Cell(conf, 2, 3), "Sala");
  EXPECT_EQ(program->Network().Row(3).label, "Sala");

  TypeInto(conf, 3, 3, " Forno");
  EXPECT_EQ(Cell(conf, 3, 3), "");
  EXPECT_EQ(program->Network().Row(4).label, "");
  EXPECT_EQ(conf.Grid()->currentRow(), 3);

  TypeInto(conf, 3, 1, "7 ");
  EXPECT_EQ(Cell(conf, 3, 1), "");
  EXPECT_EQ(messages.Texts(),
            (std::vector<std::string>{"Label já declarado", "Endereço já declarado"}));

  // The editor opens on the text without its blanks.
  conf.Grid()->item(5, 3)->setText("  pad  ");
  conf.Grid()->setCurrentCell(5, 3);
  conf.Grid()->editItem(conf.Grid()->item(5, 3));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  auto* editor = conf.Grid()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), "pad");
}

TEST_F(ShellWindowsTest, OkAppliesAndWritesTheSettingsCancelDoesNot) {
  AddHarrowmeter();
  WriteSettings(kTwoDevices);
  TFormMain& main = Start();
  TFormConfigure& conf = *main.FormConfigure();
  const std::string before = ReadFile(settingsFile());

  conf.show();
  TypeInto(conf, 2, 1, "9");
  TypeInto(conf, 2, 3, "Sala");
  program->Network().Row(3).deviceType = "Harrowmeter";
  conf.ShowModel();
  conf.ComboBaud()->setCurrentText("4800");
  conf.ButtonCancel()->click();
  EXPECT_EQ(ReadFile(settingsFile()), before);
  EXPECT_EQ(program->Devices().Find("Sala"), nullptr);
  // What was typed stays for the next OK.
  EXPECT_EQ(program->Network().baud, "4800");

  conf.show();
  conf.ButtonOK()->click();
  EXPECT_FALSE(conf.isVisible());
  ASSERT_NE(program->Devices().Find("Sala"), nullptr);
  const auto written = platform::ProfileFile::Load(settingsFile());
  EXPECT_EQ(written.GetString("Communication", "Label3", ""), "Sala");
  EXPECT_EQ(written.GetString("Communication", "Address3", ""), "9");
  EXPECT_EQ(written.GetString("Communication", "Baud", ""), "4800");
  EXPECT_EQ(written.GetString("Communication", "Timeout", ""), "120");
  EXPECT_EQ(written.GetString("Communication", "Label1", ""), "Forno");
}

// A settings file that could not be read at start-up is never replaced by the little the
// program knows of it: its other sections would be lost.
TEST_F(ShellWindowsTest, ASettingsFileThatCouldNotBeReadIsNotOverwritten) {
  AddHarrowmeter();
  const std::string original = std::string(kTwoDevices) + "[Ports]\r\nCOM1=/dev/ttyUSB0\r\n" +
                               ";" + std::string(16u << 20, 'x') + "\r\n";
  WriteSettings(original);
  TFormConfigure& conf = *Start().FormConfigure();
  ASSERT_EQ(messages.Count(), 1u);
  EXPECT_EQ(messages.Texts()[0].find(settingsFile().string()), 0u);
  EXPECT_EQ(messages.Texts()[0].rfind(settingsFile().string()), 0u) << "the path once";
  conf.show();
  conf.ButtonOK()->click();
  EXPECT_EQ(std::filesystem::file_size(settingsFile()), original.size());
  EXPECT_EQ(messages.Count(), 2u);
}

TEST_F(ShellWindowsTest, AnAddressThatIsNoNumberStopsOkWithoutWriting) {
  AddHarrowmeter();
  WriteSettings(kTwoDevices);
  TFormConfigure& conf = *Start().FormConfigure();
  const std::string before = ReadFile(settingsFile());
  conf.show();
  TypeInto(conf, 0, 1, "x5");
  conf.ButtonOK()->click();
  EXPECT_TRUE(conf.isVisible());
  EXPECT_EQ(ReadFile(settingsFile()), before);
  ASSERT_EQ(messages.Count(), 1u);
  EXPECT_NE(messages.Texts()[0].find("x5"), std::string::npos);
}

TEST_F(ShellWindowsTest, TypeSelectionOkWithoutChoiceTakesTheFirstPlugin) {
  AddHarrowmeter();
  TFormMain& main = Start();
  TFormConfigure& conf = *main.FormConfigure();
  TFormSelectDevice& select = *main.FormSelectDevice();
  ASSERT_EQ(select.ListBox()->count(), 1);
  WhenModal([&] {
    EXPECT_EQ(select.findChild<QLabel*>("PanelDevice")->text(), "Dispositivo");
    select.ButtonOK()->click();
  });
  conf.GridClick(4, 2);
  EXPECT_EQ(Cell(conf, 4, 2), "Harrowmeter");
  EXPECT_EQ(program->Network().Row(5).deviceType, "Harrowmeter");

  // Cancel leaves the cell.
  WhenModal([&] { select.ButtonCancel()->click(); });
  conf.GridClick(6, 2);
  EXPECT_EQ(Cell(conf, 6, 2), "");
}

TEST_F(ShellWindowsTest, TypeSelectionOkOnAnEmptyListIsRefused) {
  TFormMain& main = Start();  // no plug-in in the program's folder
  TFormSelectDevice& select = *main.FormSelectDevice();
  ASSERT_EQ(select.ListBox()->count(), 0);
  bool stillOpen = false;
  WhenModal([&] {
    select.ButtonOK()->click();
    stillOpen = select.isVisible();
    select.ButtonCancel()->click();
  });
  main.FormConfigure()->GridClick(0, 2);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(Cell(*main.FormConfigure(), 0, 2), "");
}

// A pseudo-terminal that never answers stands for a silent line.
class SilentLine {
 public:
  SilentLine() {
    fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd_ >= 0 && ::grantpt(fd_) == 0 && ::unlockpt(fd_) == 0) path_ = ::ptsname(fd_);
  }
  ~SilentLine() {
    if (fd_ >= 0) ::close(fd_);
  }
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

TEST_F(ShellWindowsTest, StatusBarShowsAFailedPollInTheWindowsLanguage) {
  for (const bool english : {false, true}) {
    SCOPED_TRACE(english);
    SilentLine line;
    ASSERT_FALSE(line.Path().empty());
    AddHarrowmeter();
    WriteSettings(std::string(kTwoDevices) + "[Ports]\r\nCOM1=" + line.Path() + "\r\n");
    WriteLanguage(english ? ReadFile(std::filesystem::path(QG_SOURCE_DIR) /
                                     "translations/en/LANGUAGE.TRL")
                          : std::string());
    if (!english) std::filesystem::remove(current / kLanguageFileName);
    TFormMain& main = Start();
    program->Link().Par().timeout = 0;
    auto* forno = program->Devices().Find("Forno");
    ASSERT_NE(forno, nullptr);
    forno->Scanning = true;
    forno->UseCount = 1;
    ASSERT_TRUE(program->Link().DDM_OpenDriver(1, 19200)) << program->Link().OpenError();
    main.TimerDDMTimer();
    main.TimerMainTimer();
    EXPECT_EQ(main.StatusText(), english ? "Communication error Code 8" : "Erro de comunicação Código 8");
    EXPECT_EQ(forno->LatestValue(0), devices::kNoValue);
    main.close();
    EXPECT_FALSE(program->Link().DDM_IfDriverExist());
    this->main.reset();
  }
}

TEST_F(ShellWindowsTest, ConfiguratorsDialog) {
  SilentLine line;
  WriteSettings("[Ports]\r\nCOM2=" + line.Path() + "\r\n");
  testing::TempDir elsewhere;
  pathVariable = elsewhere.Path().string();
  TFormMain& main = Start();
  TFormCfg& cfg = *main.FormCfg();
  const CfgTexts texts;

  // Port open: refused, the dialog stays.
  ASSERT_TRUE(program->Link().DDM_OpenDriver(2, 9600));
  cfg.show();
  cfg.BitBtnExecutar()->click();
  EXPECT_TRUE(cfg.isVisible());
  program->Link().DDM_CloseDriver();

  // The program missing: its message, and the dialog closes.
  cfg.BitBtnExecutar()->click();
  EXPECT_FALSE(cfg.isVisible());
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{texts.messages[2], texts.messages[3]}));
  EXPECT_TRUE(desktop.starts.empty());

  // Found on PATH: started detached, without arguments.
  testing::WriteFile(elsewhere / "harrowcfg", "#!/bin/sh\n");
  std::filesystem::permissions(elsewhere / "harrowcfg", std::filesystem::perms::owner_all);
  cfg.show();
  cfg.BitBtnExecutar()->click();
  EXPECT_FALSE(cfg.isVisible());
  ASSERT_EQ(desktop.starts.size(), 1u);
  EXPECT_EQ(desktop.starts[0].program, elsewhere / "harrowcfg");
  EXPECT_TRUE(desktop.starts[0].arguments.empty());
  EXPECT_EQ(messages.Count(), 2u);
}

std::string LanguageWith(int lastLine, std::map<int, std::string> changes) {
  std::string text;
  for (int n = 0; n <= lastLine; ++n) {
    const auto it = changes.find(n);
    text += (it != changes.end() ? it->second : BuiltInLine(n)) + "\r\n";
  }
  return platform::Utf8ToCp1252(text);
}

TEST_F(ShellWindowsTest, Line104ChangesEveryOkButton) {
  AddHarrowmeter();
  WriteLanguage(LanguageWith(kLastLanguageLine, {{104, "Ok"}, {105, "Cancela"}}));
  TFormMain& main = Start();
  const std::vector<QPushButton*> oks = {
      main.FormConfigure()->ButtonOK(), main.FormAdvance()->ButtonOK(),
      main.FormSelectDevice()->ButtonOK(), main.FormAbout()->ButtonOK(), main.FormTit()->ButtonOK()};
  for (QPushButton* b : oks) EXPECT_EQ(b->text(), "Ok") << b->parent()->objectName().toStdString();
  for (QPushButton* b : {main.FormConfigure()->ButtonCancel(), main.FormAdvance()->ButtonCancel(),
                         main.FormSelectDevice()->ButtonCancel(), main.FormProgress()->ButtonCancel()})
    EXPECT_EQ(b->text(), "Cancela") << b->parent()->objectName().toStdString();
  EXPECT_EQ(main.FormConfigure()->ComboPort()->itemText(1), "COM1");
}

TEST_F(ShellWindowsTest, AShortLanguageFileKeepsTheBuiltInTextOfMissingLines) {
  WriteLanguage(platform::Utf8ToCp1252("Arq\r\nAbr\r\nSal"));
  TFormMain& main = Start();
  EXPECT_EQ(main.menuBar()->actions()[0]->text(), "Arq");
  EXPECT_EQ(main.Action("ItemOpen")->text(), "Abr");
  EXPECT_EQ(main.Action("ItemSave")->text(), "Sal");
  EXPECT_EQ(main.Action("ItemSaveAs")->text(), "Salvar &Como");
  EXPECT_EQ(main.SpeedButton("SpeedButtonOpen")->toolTip(), "Abrir Arquivo");
  EXPECT_EQ(main.FormConfigure()->ButtonOK()->text(), "&OK");
  EXPECT_EQ(main.FormConfigure()->findChild<QLabel*>("Label1")->text(), "Porta Serial:");
  EXPECT_EQ(main.FormAdvance()->windowTitle(), "Configurações Avançadas");
}

TEST_F(ShellWindowsTest, EnglishTranslationReachesCaptionsHintsAndSuffixes) {
  WriteLanguage(ReadFile(std::filesystem::path(QG_SOURCE_DIR) / "translations/en/LANGUAGE.TRL"));
  TFormMain& main = Start();
  EXPECT_EQ(main.Action("ItemDeviceConfigure")->text(), "Con&figure");
  EXPECT_EQ(main.SpeedButton("SpeedButtonCfg")->toolTip(), "Runs the Device Configurators");
  EXPECT_EQ(main.FormConfigure()->findChild<QLabel*>("Label1")->text(), "Serial Port:");
  EXPECT_EQ(main.FormConfigure()->ComboPort()->itemText(0), "None");
  EXPECT_EQ(main.FormConfigure()->Grid()->horizontalHeaderItem(1)->text(), "Address");
  EXPECT_EQ(main.FormAbout()->findChild<QLabel*>("Label4")->text(), "Version:");
  EXPECT_EQ(program->Shared().LinkError(7), "Invalid CRC");
}

TEST_F(ShellWindowsTest, MenusToolBarAndDisabledItems) {
  TFormMain& main = Start();
  EXPECT_EQ(main.windowTitle(), "Quillgraph");
  struct Expect {
    const char* control;
    const char* caption;
    bool enabled;
  } items[] = {{"ItemOpen", "&Abrir", false},         {"ItemImport", "I&mportar", false},
               {"ItemExit", "Sai&r", true},           {"ItemDeviceConfigure", "Con&figurar", true},
               {"ItemDeviceMonitor", "&Monitorar", false}, {"ItemConfiguradores", "&Configuradores", true},
               {"ItemRestoreAll", "&Restaurar Todas as Janelas", true},
               {"ItemContents", "&Conteúdo", true},   {"ItemAbout", "&Sobre", true},
               {"Item100percent", "100 &%", false}};
  for (const auto& e : items) {
    QAction* a = main.Action(e.control);
    ASSERT_NE(a, nullptr) << e.control;
    EXPECT_EQ(a->text().toStdString(), e.caption);
    EXPECT_EQ(a->isEnabled(), e.enabled) << e.control;
  }
  EXPECT_EQ(main.SpeedButton("SpeedButtonDeviceConfigure")->toolTip(),
            "Configurar Dispositivos da Rede");
  EXPECT_TRUE(main.SpeedButton("SpeedButtonDeviceConfigure")->isEnabled());
  EXPECT_FALSE(main.SpeedButton("SpeedButtonOpen")->isEnabled());
  EXPECT_EQ(main.SpeedButton("SpeedButtonZoomOut")->toolTip(), "Zoom -");
}

TEST_F(ShellWindowsTest, HelpOpensItsTopic) {
  TFormMain& main = Start();
  main.Action("ItemContents")->trigger();
  EXPECT_TRUE(desktop.urls.empty());  // no help file: nothing, silently
  testing::WriteFile(current / "help" / kHelpFileName, "<html></html>");
  main.Action("ItemContents")->trigger();
  ASSERT_EQ(desktop.urls.size(), 1u);
  EXPECT_EQ(desktop.urls[0],
            "file://" + (current / "help" / kHelpFileName).string() + "#Conteudo");

  // A folder name with characters that mean something in a URL still names the file.
  ProgramPaths paths;
  paths.startDir = dir / "Ajuda #2 100%41?x";
  testing::WriteFile(paths.startDir / "help" / kHelpFileName, "<html></html>");
  Program other(paths, messages, desktop, clock);
  other.OpenHelp("Configurar");
  ASSERT_EQ(desktop.urls.size(), 2u);
  EXPECT_EQ(desktop.urls[1], "file://" + dir.Path().string() +
                                 "/Ajuda%20%232%20100%2541%3Fx/help/Quillgr.html#Configurar");
}

TEST_F(ShellWindowsTest, WindowMenuCommands) {
  TFormMain& main = Start();
  QMdiArea* mdi = main.MdiArea();
  std::vector<QMdiSubWindow*> children;
  for (int i = 0; i < 3; ++i) {
    auto* w = mdi->addSubWindow(new QWidget);
    w->setWindowTitle(QString("Filho %1").arg(i + 1));
    w->resize(200, 150);
    w->show();
    children.push_back(w);
  }
  children[0]->showMinimized();
  children[1]->showMaximized();
  main.ItemRestoreAllClick();
  for (auto* w : children) {
    EXPECT_FALSE(w->isMinimized());
    EXPECT_FALSE(w->isMaximized());
  }

  main.ItemVerticalTileClick();
  EXPECT_EQ(children[0]->geometry().top(), children[2]->geometry().top());
  EXPECT_LT(children[0]->geometry().right(), children[1]->geometry().left() + 1);
  main.ItemHorizontalTileClick();
  EXPECT_EQ(children[0]->geometry().left(), children[2]->geometry().left());
  EXPECT_LT(children[0]->geometry().bottom(), children[1]->geometry().top() + 1);

  emit main.WindowMenu()->aboutToShow();
  int listed = 0;
  for (QAction* a : main.WindowMenu()->actions())
    if (a->text().contains("Filho")) ++listed;
  EXPECT_EQ(listed, 3);

  main.ItemMinimizeAllClick();
  for (auto* w : children) EXPECT_TRUE(w->isMinimized());
  main.ItemCloseAllClick();
  QApplication::processEvents();
  int open = 0;
  for (auto* w : mdi->subWindowList()) open += w->isVisible() ? 1 : 0;
  EXPECT_EQ(open, 0);
}

TEST_F(ShellWindowsTest, ShutDownRemovesTheAcceptedDevices) {
  AddHarrowmeter();
  WriteSettings(kTwoDevices);
  TFormMain& main = Start();
  // A device object of no accepted label stays: only the network's are removed.
  devices::DEV_ID other{"Outro", "Harrowmeter", "Harrowmeter", 9, 1, 9600};
  program->Devices().Create(other, program->Host());
  ASSERT_EQ(program->Devices().Size(), 3u);
  main.close();
  ASSERT_EQ(program->Devices().Size(), 1u);
  EXPECT_NE(program->Devices().Find("Outro"), nullptr);
  EXPECT_FALSE(main.TimerDDM().isActive());
}

TEST_F(ShellWindowsTest, TimeOutDialogShowsStoresAndRefusesText) {
  TFormMain& main = Start();
  TFormAdvance& advance = *main.FormAdvance();
  program->Link().Par().timeout = 75;
  advance.show();
  EXPECT_EQ(advance.EditTimeout()->text(), "75");
  advance.EditTimeout()->setText("abc");
  advance.ButtonOK()->click();
  EXPECT_EQ(program->Link().Par().timeout, 75);
  EXPECT_TRUE(advance.isVisible());
  ASSERT_EQ(messages.Count(), 1u);
  advance.EditTimeout()->setText(" 200 ");
  advance.ButtonOK()->click();
  EXPECT_EQ(program->Link().Par().timeout, 200);
  EXPECT_FALSE(advance.isVisible());
  advance.show();
  advance.EditTimeout()->setText("300");
  advance.ButtonCancel()->click();
  EXPECT_EQ(program->Link().Par().timeout, 200);
}

TEST_F(ShellWindowsTest, TitleEntryKeepsItsTextAndHoldsSixteenCharacters) {
  TFormTit& tit = *Start().FormTit();
  tit.show();
  tit.EditTit()->setText("Forno e Estufa de secagem");
  EXPECT_EQ(tit.EditTit()->text(), "Forno e Estufa d");
  tit.ButtonOK()->click();
  tit.show();
  EXPECT_EQ(tit.EditTit()->text(), "Forno e Estufa d");
  EXPECT_EQ(tit.LabelTit()->text(), "Forneça o Título do Gráfico de Junção:");
}

// The toolkit's boxes: the application's title on untitled boxes, the buttons asked for, and
// the button pressed as the answer.
TEST(QtMessageServiceTest, CaptionButtonsAndAnswer) {
  testing::App();
  QtMessageService service;
  struct Case {
    platform::Buttons buttons;
    QMessageBox::StandardButtons shown;
    QMessageBox::StandardButton press;
    platform::Answer answer;
  };
  const Case cases[] = {
      {platform::Buttons::Ok, QMessageBox::Ok, QMessageBox::Ok, platform::Answer::Ok},
      {platform::Buttons::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
       platform::Answer::No},
      {platform::Buttons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
       QMessageBox::Cancel, platform::Answer::Cancel},
      {platform::Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
       platform::Answer::Ok},
      {platform::Buttons::AbortRetryIgnore,
       QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Retry,
       platform::Answer::Retry},
  };
  for (const Case& c : cases) {
    QString title, text;
    QMessageBox::StandardButtons shown;
    WhenModal([&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      text = box->text();
      shown = box->standardButtons();
      box->button(c.press)->click();
    });
    EXPECT_EQ(service.Show(platform::BoxKind::Confirmation, {}, "Pergunta?", c.buttons), c.answer);
    EXPECT_EQ(title.toStdString(), "Quillgraph Talvo");
    EXPECT_EQ(text.toStdString(), "Pergunta?");
    EXPECT_EQ(shown, c.shown);
  }
  WhenModal([] { QApplication::activeModalWidget()->close(); });
  service.Show(platform::BoxKind::Warning, "Atenção", "x", platform::Buttons::Ok);
}

TEST(MonitorCountTest, EightAtMostAndTheCaptionNumberIsTheCount) {
  MonitorCount count;
  for (int i = 1; i <= kMaxMonitors; ++i) EXPECT_EQ(count.Open(), i);
  EXPECT_EQ(count.Open(), std::nullopt);
  count.Closed();
  EXPECT_EQ(count.Open(), 8);
  for (int i = 0; i < 20; ++i) count.Closed();
  EXPECT_EQ(count.Count(), 0);
}

}  // namespace
}  // namespace qg::shell
