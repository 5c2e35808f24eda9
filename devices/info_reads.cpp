#include "devices/info_reads.h"

#include <vector>

#include "devices/device.h"
#include "devices/poller.h"
#include "platform/cp1252.h"
#include "plugins/plugin_host.h"
#include "serial/link.h"

namespace qg::devices {
namespace {

// Registers of the instrument's configuration block.
constexpr std::uint32_t kInputTypeRegs = 17;   // one per channel
constexpr std::uint32_t kTitleRegs = 76;       // 8 registers of title, 16 read
constexpr std::uint32_t kTagRegs = 84;         // 4 per channel
constexpr std::uint32_t kUnitRegs = 116;       // 4 per channel
constexpr std::uint32_t kDecimalsReg = 152;    // 2 bits per channel
constexpr int kChannels = 8;

// Three attempts at a read of `count` registers from `start` into `out`.
bool ReadBlock(const CDevice& device, std::uint32_t start, std::uint32_t count, serial::Link& link,
               plugins::PluginHost& host, std::vector<std::uint16_t>& out) {
  serial::DRVPAR& par = link.Par();
  const std::int32_t function = host.DV_GetCommandType(device.DeviceType, 0);
  if (function < 1 || function > 127 || start + count > 0x10000) {
    par.result = serial::kErrFunction;  // nothing sensible can be sent
    return false;
  }
  out.assign(count, 0);
  par.address = device.Address;
  par.function = static_cast<std::uint16_t>(function);
  par.start = start;
  par.count = count;
  par.data = out.data();
  bool ok = false;
  for (int attempt = 0; attempt < kPollAttempts && !ok; ++attempt) ok = link.ReadWords() == 0;
  par.data = nullptr;
  return ok;
}

}  // namespace

std::string UnpackText(const std::uint16_t* regs, int count) {
  std::string raw;
  for (int i = 0; i < count; ++i) {
    raw += static_cast<char>(regs[i] >> 8);
    raw += static_cast<char>(regs[i] & 0xFF);
  }
  return platform::Cp1252ToUtf8(raw);
}

int ReadChannelDescription(const CDevice& device, int channel, serial::Link& link,
                           plugins::PluginHost& host, ChannelDescription& out) {
  out = {};
  std::vector<std::uint16_t> r;
  if (channel < 0 || channel >= kChannels || !ReadBlock(device, kTagRegs, 70, link, host, r))
    return 1;
  const auto i = static_cast<std::size_t>(channel);
  out.tag = UnpackText(&r[kTagRegs - kTagRegs + 4 * i], 4);
  out.unit = UnpackText(&r[kUnitRegs - kTagRegs + 4 * i], 4);
  out.decimalPosition = (r[kDecimalsReg - kTagRegs] >> (2 * i)) & 3;
  return 0;
}

int ReadTitle(const CDevice& device, serial::Link& link, plugins::PluginHost& host,
              std::string& title) {
  title.clear();
  std::vector<std::uint16_t> r;
  if (!ReadBlock(device, kTitleRegs, 16, link, host, r)) return 1;
  title = UnpackText(r.data(), 8);
  return 0;
}

int ReadChannelInputType(const CDevice& device, int channel, serial::Link& link,
                         plugins::PluginHost& host, int& code) {
  code = 0;
  std::vector<std::uint16_t> r;
  if (channel < 0 || channel >= kChannels ||
      !ReadBlock(device, kInputTypeRegs, 8, link, host, r))
    return 1;
  code = r[static_cast<std::size_t>(channel)] & 0x1F;
  return 0;
}

int ReadTypeRegister(const CDevice& device, serial::Link& link, plugins::PluginHost& host,
                     int& value) {
  value = 0;
  // Without the plug-in's answer the -1 names register 0xFFFF, as the instruments expect.
  const auto reg = static_cast<std::uint16_t>(host.DV_GetInitType(device.DeviceType));
  std::vector<std::uint16_t> r;
  if (!ReadBlock(device, reg, 1, link, host, r)) return 1;
  value = r[0] & 0xFF;
  return 0;
}

int ReadDecimalPosition(const CDevice& device, int param, int inputType, serial::Link& link,
                        plugins::PluginHost& host, int& places) {
  places = 3;
  std::string name;
  const auto n = plugins::ParameterName(host, device.DeviceType, param + 1);
  if (n) name = *n;
  const std::int32_t d = host.DV_GetDecPointPar(device.DeviceType, name);
  if (d != 15) {
    places = d;
    return 0;
  }
  const std::int32_t e = host.DV_GetDecPointType(device.DeviceType, inputType);
  if (e != 10) {
    places = e;
    return 0;
  }
  const auto reg = static_cast<std::uint16_t>(host.DV_GetInitDecPoint(device.DeviceType));
  std::vector<std::uint16_t> r;
  if (!ReadBlock(device, reg, 1, link, host, r)) return 1;
  places = 3 - (r[0] & 0xFF);
  return 0;
}

}  // namespace qg::devices
