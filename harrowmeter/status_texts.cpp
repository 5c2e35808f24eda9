#include "harrowmeter/status_texts.h"

namespace qg::harrowmeter {
namespace {

constexpr const char* kInstrumentTexts[9] = {
    "Relógio não localizado",
    "Memórias E2PROM não localizadas",
    "Memórias E2PROM estão lotadas",
    "Pelo menos 1 (uma) aquisição já foi efetuada",
    "Todas as aquisições programadas já foram efetuadas",
    "Erro na conversão do auto-zero",
    "Erro na conversão do auto-span",
    "Erro na conversão da junta-fria",
    "Reserva",
};

constexpr const char* kChannelTexts[5] = {
    "Conversão muito baixa",
    "Valor negativo após calibração",
    "Conversão muito alta",
    "Limite de linearização excedido",
    "Resistência do cabo PT100 muito alta",
};

}  // namespace

std::string InstrumentStatusText(int bit) {
  if (bit >= 0 && bit < 9) return kInstrumentTexts[bit];
  if (bit >= 9 && bit < 16) return "Reserva";
  return {};
}

std::string ChannelStatusText(int bit) {
  if (bit >= 0 && bit < 5) return kChannelTexts[bit];
  return {};
}

std::vector<std::string> InstrumentStatusTexts(std::uint16_t status) {
  std::vector<std::string> out;
  for (int k = 0; k < 16; ++k)
    if (status & (1u << k)) out.push_back(InstrumentStatusText(k));
  return out;
}

std::vector<std::string> ChannelStatusTexts(std::uint8_t status) {
  std::vector<std::string> out;
  for (int k = 0; k < 5; ++k)
    if (status & (1u << k)) out.push_back(ChannelStatusText(k));
  return out;
}

std::string AlarmStateText(std::uint16_t alarmStatus, int ch) {
  if (ch < 0 || ch >= 8) return {};
  const bool lo = alarmStatus & (1u << (2 * ch));
  const bool hi = alarmStatus & (1u << (2 * ch + 1));
  if (hi) return "Hi";
  if (lo) return "Lo";
  return {};
}

}  // namespace qg::harrowmeter
