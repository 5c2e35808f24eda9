#pragma once
// Device objects: a live device of the network, and also the data set of a file graph.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"

namespace qg::plugins {
class PluginHost;
}

namespace qg::devices {

inline constexpr int kMaxParams = 17;
// The raw value of no reading.
inline constexpr float kNoValue = -9999.0f;

// One configured device as handed to a device object.
struct DEV_ID {
  std::string Name;
  std::string DeviceType;
  std::string DeviceType2;
  std::uint8_t Address = 0;
  std::uint8_t Port = 0;
  std::uint16_t Baud = 0;
};

class CDevice {
 public:
  std::string Name;
  std::string DeviceType;
  std::string DeviceType2;
  std::uint8_t Address = 0;
  std::uint8_t Port = 0;
  std::uint16_t Baud = 0;
  std::array<std::string, kMaxParams> ParamNames{};
  std::uint16_t FirmwareVersion = 0;
  std::string SerialNumber;
  std::uint8_t ChannelCount = 0;
  std::string SourceType;
  std::array<std::uint16_t, kMaxParams> InputType{};
  std::array<std::uint8_t, kMaxParams> TempUnitF{};
  std::string Title;
  std::array<std::string, kMaxParams> Tags{};
  std::array<std::string, kMaxParams> Units{};
  std::array<std::int16_t, kMaxParams> Multiplier{};
  std::array<std::int16_t, kMaxParams> HighLimit{};
  std::array<std::int16_t, kMaxParams> LowLimit{};
  std::array<std::uint8_t, kMaxParams> DecimalPoint{};
  platform::DateTime FirstAcquisition = 0;
  platform::DateTime LastAcquisition = 0;
  platform::DateTime BaseInterval = 0;
  bool Scanning = false;
  // Values[k] and Times[k] hold Counts[k] elements; a live device has one: the latest value.
  std::vector<std::vector<float>> Values;
  std::vector<std::vector<platform::DateTime>> Times;
  std::array<std::uint32_t, kMaxParams> Counts{};
  std::int32_t UseCount = 0;
  std::int32_t ErrorCode = 0;

  // Discards every value and time array, then gives parameter k (k < n) counts[k] elements
  // (no arrays for a count of 0). n is held to 17.
  void RebuildValueStorage(const std::uint32_t* counts, int n);
  // The first parameter named `name` exactly, or -1.
  int ParameterIndex(std::string_view name) const;
  // The latest value of parameter k, or the no-value marker when there is none.
  float LatestValue(int k) const;
  void SetLatestValue(int k, float v);

  void CopyIdentity(const DEV_ID& id);
  // Count and names from the type's plug-in, one value and one time per parameter. A type whose
  // plug-in is missing or answers absurdly gives a device without parameters.
  void LoadParameters(plugins::PluginHost& host);
};

// The live network's device objects, in creation order. Owns them.
class DeviceList {
 public:
  DeviceList() { devices_.reserve(100); }
  // Creates a device from `id` and appends it.
  CDevice& Create(const DEV_ID& id, plugins::PluginHost& host);
  // A new type rebuilds storage and names; then the identity fields are copied.
  static void Update(CDevice& device, const DEV_ID& id, plugins::PluginHost& host);
  void Remove(const CDevice* device);
  CDevice* Find(std::string_view name);
  const CDevice* Find(std::string_view name) const;

  std::size_t Size() const { return devices_.size(); }
  bool Empty() const { return devices_.empty(); }
  CDevice* At(std::size_t i) { return i < devices_.size() ? devices_[i].get() : nullptr; }

 private:
  std::vector<std::unique_ptr<CDevice>> devices_;
};

// The device type of a device, empty for none.
std::string DeviceTypeOf(const CDevice* device);

}  // namespace qg::devices
