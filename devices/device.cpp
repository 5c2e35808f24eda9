#include "devices/device.h"

#include <algorithm>

#include "plugins/plugin_host.h"

namespace qg::devices {

void CDevice::RebuildValueStorage(const std::uint32_t* counts, int n) {
  Values.clear();
  Times.clear();
  Counts.fill(0);
  n = std::clamp(n, 0, kMaxParams);
  Values.resize(static_cast<std::size_t>(n));
  Times.resize(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    Counts[k] = counts[k];
    Values[k].assign(counts[k], 0.0f);
    Times[k].assign(counts[k], 0.0);
  }
}

int CDevice::ParameterIndex(std::string_view name) const {
  for (int k = 0; k < ChannelCount && k < kMaxParams; ++k)
    if (ParamNames[k] == name) return k;
  return -1;
}

float CDevice::LatestValue(int k) const {
  if (k < 0 || static_cast<std::size_t>(k) >= Values.size() || Values[k].empty()) return kNoValue;
  return Values[k][0];
}

void CDevice::SetLatestValue(int k, float v) {
  if (k < 0 || static_cast<std::size_t>(k) >= Values.size() || Values[k].empty()) return;
  Values[k][0] = v;
}

void CDevice::CopyIdentity(const DEV_ID& id) {
  Name = id.Name;
  DeviceType = id.DeviceType;
  DeviceType2 = id.DeviceType2;
  Address = id.Address;
  Port = id.Port;
  Baud = id.Baud;
}

void CDevice::LoadParameters(plugins::PluginHost& host) {
  ParamNames.fill({});
  const auto names = plugins::ParameterNames(host, DeviceType);
  const int n = names ? static_cast<int>(names->size()) : 0;
  ChannelCount = static_cast<std::uint8_t>(n);
  for (int k = 0; k < n; ++k) ParamNames[k] = (*names)[k];
  std::uint32_t ones[kMaxParams];
  std::fill(std::begin(ones), std::end(ones), 1u);
  RebuildValueStorage(ones, n);
}

CDevice& DeviceList::Create(const DEV_ID& id, plugins::PluginHost& host) {
  auto device = std::make_unique<CDevice>();
  device->CopyIdentity(id);
  device->LoadParameters(host);
  devices_.push_back(std::move(device));
  return *devices_.back();
}

void DeviceList::Update(CDevice& device, const DEV_ID& id, plugins::PluginHost& host) {
  if (device.DeviceType2 != id.DeviceType2) {
    device.DeviceType = id.DeviceType;
    device.LoadParameters(host);
  }
  device.CopyIdentity(id);
}

void DeviceList::Remove(const CDevice* device) {
  std::erase_if(devices_, [&](const auto& d) { return d.get() == device; });
}

CDevice* DeviceList::Find(std::string_view name) {
  for (auto& d : devices_)
    if (d->Name == name) return d.get();
  return nullptr;
}

const CDevice* DeviceList::Find(std::string_view name) const {
  for (const auto& d : devices_)
    if (d->Name == name) return d.get();
  return nullptr;
}

std::string DeviceTypeOf(const CDevice* device) { return device ? device->DeviceType : ""; }

}  // namespace qg::devices
