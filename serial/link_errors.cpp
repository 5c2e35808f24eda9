#include "serial/link_errors.h"

#include <array>

namespace qg::serial {

std::string QuillgraphLinkErrorText(int code) {
  static constexpr std::array<const char*, kQuillgraphLinkErrorCount> kTexts = {
      "Endereço de retorno inválido!",
      "Número de bytes a receber inválido!",
      "Endereço de registrador inválido!",
      "Valor escrito de retorno inválido!",
      "Resposta de exceção!",
      "Comando inválido",
      "CRC inválido",
      "Timeout",
  };
  if (code < 1 || code > kQuillgraphLinkErrorCount) return {};
  return kTexts[static_cast<std::size_t>(code - 1)];
}

std::string HarrowcfgLinkErrorText(int code) {
  static constexpr std::array<const char*, kHarrowcfgLinkErrorCount> kTexts = {
      "Sem Erro",
      "Escravo não respondeu o endereço correto",
      "Número de bytes a receber inválido",
      "Endereço de registrador inválido",
      "Valor retornado é diferente do valor forçado",
      "Resposta de exceção do escravo",
      "Comando inválido",
      "CRC inválido",
      "Time-out",
      "Porta serial não conectada",
      "Reserva para comm error",
      "Reserva para comm error",
  };
  if (code < 0 || code >= kHarrowcfgLinkErrorCount) return {};
  return kTexts[static_cast<std::size_t>(code)];
}

}  // namespace qg::serial
