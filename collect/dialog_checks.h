#pragma once
// The collection dialog's logic without its window: the device list it offers, the type it
// shows, and the checks of "Co&letar" with their messages.
#include <string>
#include <vector>

#include "devices/device.h"
#include "devices/network.h"
#include "serial/link.h"

namespace qg::collect {

struct DialogTexts {
  std::string unknownDevice = "Este dispositivo não existe ou não é válido!";
  std::string noCollection = "Este dispositivo não possui coleta de aquisições!";
  std::string portUnavailable =
      "A porta está em uso ou inexistente! Não foi possível realizar coleta!";
  std::string inUse = "Não é possível realizar coleta enquanto houver algum gráfico de monitoração!";
};

inline constexpr const char* kCollectableType = "Harrowmeter";

// "Nenhum", then every accepted label of the network in row order, skipping empty ones.
std::vector<std::string> DeviceChoices(const devices::NetworkModel& network);
// The device type of the network row whose label is `name`, or empty.
std::string DeviceTypeShown(const devices::NetworkModel& network, const std::string& name);

enum class CollectCheck { Ok, UnknownDevice, NotCollectable, PortUnavailable, InUse };

struct CheckOutcome {
  CollectCheck check = CollectCheck::Ok;
  std::string message;                 // empty when Ok
  devices::CDevice* device = nullptr;  // the device to collect when Ok
};

// The checks in their order. Opens the port with the network's port and baud when it is not
// open yet; it stays open whatever follows.
CheckOutcome CheckCollect(const std::string& name, const devices::NetworkModel& network,
                          devices::DeviceList& devices, serial::Link& link,
                          const DialogTexts& texts = {});

}  // namespace qg::collect
