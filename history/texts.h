#pragma once
// The history texts: built-in Portuguese defaults, replaced line by line by a language file.
// The formats around them are fixed and never come from here.
#include <string>

namespace qg::history {

struct HistoryTexts {
  std::string historyFile = "Arquivo Histórico";
  std::string title = "Título";
  std::string fileName = "Nome do Arquivo";
  std::string firstAcquisition = "Primeira Aquisição";
  std::string lastAcquisition = "Última Aquisição";
  std::string baseIntervalCount = "Número de Intervalos Base";
  std::string baseInterval = "Intervalo Base entre Aquisições";
  std::string hours = "h";
  std::string minutes = "min";
  std::string seconds = "seg";
  std::string serialNumber = "Número de Série";
  std::string firmwareVersion = "Versão de Firmware";
  std::string columnHeader =
      " N#  Data       Hora        Canal 1  Canal 2  Canal 3  Canal 4  Canal 5  Canal 6  Canal 7"
      "  Canal 8  Canal 9 Canal 10 Canal 11 Canal 12 Canal 13 Canal 14 Canal 15 Canal 16";
  std::string dashLine16 =
      "---  ---------- ----------  -------  -------  -------  -------  -------  -------  -------"
      "  -------  ------- -------- -------- -------- -------- -------- -------- --------";
  std::string invalidFormat = "Formato de Histórico inválido";
};

// Not a replaceable text: the eight-channel dash line is fixed.
inline constexpr const char* kDashLine8 =
    "---  ---------- ----------  -------  -------  -------  -------  -------  -------  -------"
    "  -------";

}  // namespace qg::history
