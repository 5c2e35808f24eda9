#pragma once
// Collection of a Harrowmeter's logged acquisitions: reads the configuration image and the
// acquisition memory over the link and rebuilds the samples into a fresh data set.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "devices/device.h"
#include "platform/clock.h"
#include "serial/link.h"

namespace qg::collect {

enum CollectResult : int {
  kCollectOk = 0,
  kCollectConfig1Failed = 1,  // the first configuration request
  kCollectConfig2Failed = 2,  // the second configuration request
  kCollectMemoryFailed = 3,   // a memory request
  kCollectNothing = 4,        // no acquisitions stored (or none to be found in the memory)
  kCollectTotalFailed = 5,    // the request of registers 183-184
};

// The texts of a collection; the language file may replace them.
struct CollectTexts {
  std::array<std::string, 6> results = {
      "",
      "Erro na leitura da 1ª parte da configuração!",
      "Erro na leitura da 2ª parte da configuração!",
      "Erro na coleta!",
      "Não há aquisições para coletar!",
      "Erro na leitura da 3ª parte da configuração!",
  };
  std::string caption = "Coleta";
  std::string readingPart1 = "Lendo 1ª parte Configuração";
  std::string readingPart2 = "Lendo 2ª parte Configuração";
  std::string collecting = "Coletando as aquisições";
};

// The result's text; empty for success and for codes outside 0..5.
std::string CollectResultText(int result, const CollectTexts& texts = {});

// What the progress window shows; reported after every change.
struct ProgressState {
  bool visible = false;
  std::string caption;
  std::string label;
  int bar = 0;  // 0..100
};
using ProgressFn = std::function<void(const ProgressState&)>;

// The device chosen in the network, as the collection needs it.
struct CollectRequest {
  std::string name;
  std::string deviceType;
  std::uint8_t address = 1;
  std::uint16_t readFunction = 3;  // the plug-in's read function, for the configuration
};
CollectRequest RequestFor(const devices::CDevice& device, std::uint16_t readFunction = 3);

struct CollectOutcome {
  int result = kCollectOk;
  devices::CDevice data;  // ErrorCode: the link error code on results 1, 2, 3 and 5
};

inline constexpr int kAttempts = 3;

// Runs a whole collection on an open link. `clock` gives the year of event-mode headers.
CollectOutcome Collect(const CollectRequest& request, serial::Link& link,
                       const platform::Clock& clock, const ProgressFn& progress = {},
                       const CollectTexts& texts = {});

}  // namespace qg::collect
