#include "devices/poller.h"

#include <vector>

#include "devices/device.h"
#include "plugins/plugin_host.h"
#include "serial/link.h"

namespace qg::devices {
namespace {

void MarkAllFailed(CDevice& device) {
  for (int k = 0; k < device.ChannelCount && k < kMaxParams; ++k)
    device.SetLatestValue(k, kNoValue);
}

}  // namespace

bool PollDevice(CDevice& device, serial::Link& link, plugins::PluginHost& host) {
  serial::DRVPAR& par = link.Par();
  const auto plan = plugins::MakePollPlan(host, device.DeviceType);
  if (!plan) {
    par.result = serial::kErrByteCount;
    MarkAllFailed(device);
    return false;
  }
  std::vector<std::uint16_t> buffer(static_cast<std::size_t>(plan->count) + 1, 0);
  par.address = device.Address;
  par.function = static_cast<std::uint16_t>(plan->function);
  par.start = static_cast<std::uint32_t>(plan->firstRegister);
  par.count = static_cast<std::uint32_t>(plan->count);
  par.data = buffer.data();
  bool ok = false;
  for (int attempt = 0; attempt < kPollAttempts && !ok; ++attempt) ok = link.ReadWords() == 0;
  par.data = nullptr;  // the buffer dies with this call
  if (!ok) {
    MarkAllFailed(device);
    return false;
  }
  for (int k = 0; k < plan->count; ++k) {
    const auto& p = plan->parameters[static_cast<std::size_t>(k)];
    device.SetLatestValue(k, static_cast<float>(static_cast<std::int16_t>(buffer[p.offset])));
  }
  return true;
}

void Scanner::Tick(DeviceList& devices, serial::Link& link, plugins::PluginHost& host) {
  if (devices.Empty()) return;
  std::size_t active = 0;
  for (std::size_t i = 0; i < devices.Size(); ++i)
    if (devices.At(i)->Scanning) ++active;

  auto stopHistory = [&] {
    if (hooks_.stopHistoryTimer) hooks_.stopHistoryTimer();
  };
  for (;;) {
    if (cursor_ >= devices.Size()) {
      scanCount_ = 0;
      cursor_ = 0;
      break;
    }
    CDevice* device = devices.At(cursor_);
    if (device == nullptr) {
      cursor_ = 0;
      status_ = kPointerLost;
      return;
    }
    if (device->UseCount == 0 && device->Scanning) {
      device->Scanning = false;
      stopHistory();
    }
    if (!link.DDM_IfDriverExist()) {
      device->Scanning = false;
      stopHistory();
    }
    if (device->Scanning) {
      if (hooks_.startHistoryTimer) hooks_.startHistoryTimer();
      if (PollDevice(*device, link, host))
        status_.clear();
      else
        status_ = kCommErrorPrefix + std::to_string(link.Par().result);
      ++scanCount_;
    }
    ++cursor_;
    if (scanCount_ != 0 && scanCount_ % 5 == 0) {
      if (scanCount_ == active) {
        cursor_ = 0;
        scanCount_ = 0;
      }
      break;
    }
  }
  bool anyScanning = false;
  for (std::size_t i = 0; i < devices.Size(); ++i) anyScanning |= devices.At(i)->Scanning;
  if (!anyScanning && link.DDM_IfDriverExist()) link.DDM_CloseDriver();
}

}  // namespace qg::devices
