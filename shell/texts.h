#pragma once
// The text tables of the windows built in this folder and of the tables the whole program
// shares, with their built-in Portuguese defaults and the lines of the language file that
// replace them.
#include <array>
#include <string>

#include "plugins/select_device.h"

namespace qg::shell {

class LanguageFile;

// A menu item or speed button: its control name and the language line of its caption or hint.
struct Place {
  const char* control;
  int line;
};

// Main window: menu captions (lines 0..34 and 36), tool bar hints (37..55) and the 49 texts.
struct MainTexts {
  static constexpr int kTextCount = 49;
  std::array<std::string, 37> captions{};  // by line; 35 unused
  std::array<std::string, 19> hints{};     // line 37 + i
  std::array<std::string, kTextCount> texts{};
  MainTexts();
  void Apply(const LanguageFile& file);
  // The language line of main window text i, or -1 for an index no place uses.
  static int TextLine(int index);
};

enum MainText {
  kTextFileMissing = 1,
  kTextMonitorFilter = 2,
  kTextHistoryFilter = 3,
  kTextPenConfiguration = 9,
  kTextFilePrefix = 28,
  kTextFileMissingSuffix = 29,
  kTextCommError = 30,
  kTextNone = 34,
  kTextMonitorLimit = 38,
  kTextMonitorCaption = 39,
  kTextOpenFile = 40,
};

// Device network dialog.
struct ConfigureTexts {
  std::string caption = "Configurar Dispositivo";
  std::string portLabel = "Porta Serial:";
  std::string baudLabel = "Baud Rate:";
  std::string ok = "&OK";
  std::string cancel = "&Cancelar";
  std::string advanced = "&Avançado";
  std::array<std::string, 5> ports = {"Nenhum", "COM1", "COM2", "COM3", "COM4"};
  std::array<std::string, 4> headings = {"N°", "Endereço", "Dispositivo", "Rótulo"};
  std::string duplicateLabel = "Label já declarado";
  std::string duplicateAddress = "Endereço já declarado";
  void Apply(const LanguageFile& file);
};

// Communication time-out dialog.
struct AdvanceTexts {
  std::string caption = "Configurações Avançadas";
  std::string timeoutLabel = "Timeout (mseg):";
  std::string ok = "&OK";
  std::string cancel = "&Cancelar";
  void Apply(const LanguageFile& file);
};

void ApplySelectDeviceTexts(const LanguageFile& file, plugins::SelectDeviceTexts& texts);

struct AboutTexts {
  std::string caption = "Sobre o Quillgraph";
  std::string product = "Quillgraph Talvo";
  std::string versionLabel = "Versão:";
  std::string version = "1.37";
  std::string ok = "&OK";
  void Apply(const LanguageFile& file);
};

struct SplashTexts {
  std::string caption = "Iniciando o Quillgraph.   Aguarde.........";
  void Apply(const LanguageFile& file);
};

struct TitleTexts {
  std::string caption = "Título do Gráfico";
  std::string prompt = "Forneça o Título do Gráfico de Junção:";
  std::string ok = "&OK";
  void Apply(const LanguageFile& file);
};

// Configurators dialog; messages 0..3 are its message table.
struct CfgTexts {
  std::string caption = "Executa o Configurador";
  std::string configLabel = "Configuração:";
  std::string deviceLabel = "Dispositivo:";
  std::string execute = "&Executar";
  std::string close = "&Fechar";
  std::array<std::string, 4> messages = {
      "Não é possível realizar Busca Automática enquanto houver algum gráfico de monitoração!",
      "Não foi encontrado o arquivo HRWCFG.EXE",
      "Não é possível realizar Executar o Configurador enquanto houver algum gráfico de "
      "monitoração!",
      "Não foi encontrado o arquivo HRWCFG.EXE"};
  void Apply(const LanguageFile& file);
};

struct ProgressTexts {
  std::string cancel = "&Cancelar";
  void Apply(const LanguageFile& file);
};

// Tables the whole program shares: the link error texts (codes 1..8) and "Nenhum".
struct SharedTexts {
  std::array<std::string, 8> linkErrors{};
  std::string none = "Nenhum";
  SharedTexts();
  void Apply(const LanguageFile& file);
  // The text of link error `code`, empty for a code without one.
  const std::string& LinkError(int code) const;
};

}  // namespace qg::shell
