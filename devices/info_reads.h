#pragma once
// Reads of what an instrument itself holds, to fill a pen or a monitor title. Each returns 0 on
// success and 1 on failure (with the link's code in `result`), and the failure outputs then.
#include <cstdint>
#include <string>

namespace qg::plugins {
class PluginHost;
}
namespace qg::serial {
class Link;
}

namespace qg::devices {

class CDevice;

struct ChannelDescription {
  std::string tag;   // 8 characters as stored (zero bytes included)
  std::string unit;  // likewise
  int decimalPosition = 0;
};

// Channel indexes run from 0 (channel 1) to 7.
int ReadChannelDescription(const CDevice& device, int channel, serial::Link& link,
                           plugins::PluginHost& host, ChannelDescription& out);
int ReadTitle(const CDevice& device, serial::Link& link, plugins::PluginHost& host,
              std::string& title);
int ReadChannelInputType(const CDevice& device, int channel, serial::Link& link,
                         plugins::PluginHost& host, int& code);
int ReadTypeRegister(const CDevice& device, serial::Link& link, plugins::PluginHost& host,
                     int& value);
// The decimal places of parameter `param` (0-based) with input type `inputType`, through the
// plug-in's optional answers; 3 on failure.
int ReadDecimalPosition(const CDevice& device, int param, int inputType, serial::Link& link,
                        plugins::PluginHost& host, int& places);

// Two characters per register, high byte first, converted from Windows-1252.
std::string UnpackText(const std::uint16_t* regs, int count);

}  // namespace qg::devices
