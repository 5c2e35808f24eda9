#include "collect/dialog_checks.h"

#include "platform/convert.h"

namespace qg::collect {

std::vector<std::string> DeviceChoices(const devices::NetworkModel& network) {
  std::vector<std::string> items{devices::kNoDevice};
  for (int n = 1; n <= devices::kNetworkRows; ++n)
    if (!network.acceptedLabels[n].empty()) items.push_back(network.acceptedLabels[n]);
  return items;
}

std::string DeviceTypeShown(const devices::NetworkModel& network, const std::string& name) {
  for (int n = 1; n <= devices::kNetworkRows; ++n)
    if (!network.acceptedLabels[n].empty() && network.acceptedLabels[n] == name)
      return network.Row(n).deviceType;
  return {};
}

CheckOutcome CheckCollect(const std::string& name, const devices::NetworkModel& network,
                          devices::DeviceList& devices, serial::Link& link,
                          const DialogTexts& texts) {
  CheckOutcome out;
  devices::CDevice* device = devices.Find(name);
  if (!device) return {CollectCheck::UnknownDevice, texts.unknownDevice, nullptr};
  if (device->DeviceType != kCollectableType)
    return {CollectCheck::NotCollectable, texts.noCollection, nullptr};
  if (!link.DDM_IfDriverExist()) {
    const auto baud = platform::StrToInt(network.baud);
    const bool ok = network.portIndex > 0 && network.portIndex <= 127 && baud && *baud > 0 &&
                    *baud <= 65535 &&
                    link.DDM_OpenDriver(static_cast<std::uint8_t>(network.portIndex),
                                        static_cast<std::uint16_t>(*baud));
    if (!ok) return {CollectCheck::PortUnavailable, texts.portUnavailable, nullptr};
  }
  if (device->Scanning || device->UseCount > 0)
    return {CollectCheck::InUse, texts.inUse, nullptr};
  out.device = device;
  return out;
}

}  // namespace qg::collect
