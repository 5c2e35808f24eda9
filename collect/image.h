#pragma once
// The configuration image of a Harrowmeter as the collection reads it: what goes into the data
// set, and the acquisition programme needed to rebuild the samples from the memory words.
#include <array>
#include <cstdint>

#include "devices/device.h"
#include "harrowmeter/config.h"
#include "harrowmeter/registers.h"
#include "platform/datetime.h"

namespace qg::collect {

// The part of the image that drives the rebuild of the samples.
struct Programme {
  std::array<bool, harrowmeter::kChannels> enabled{};
  // Countdown reloads; a register holding 0 reloads with 1, as the instrument does.
  std::array<std::uint32_t, harrowmeter::kChannels> multiplier{};
  std::array<int, harrowmeter::kChannels> inputType{};
  std::array<int, harrowmeter::kChannels> decimalPoint{};
  bool eventMode = false;               // started by the digital input
  platform::DateTime firstAcquisition = 0;
  platform::DateTime lastAcquisition = 0;
  platform::DateTime baseInterval = 0;  // days
  std::uint32_t stored = 0;
  std::uint32_t capacity = 0;

  int EnabledCount() const;
};

// Fills the data set's file-graph fields from the 201 words and returns the programme.
Programme DecodeImage(const harrowmeter::ConfigBlock& w, devices::CDevice& data);

// The value of a memory word of a channel of input type `inputType`.
float WordValue(std::uint16_t word, int inputType, int decimalPoint);

}  // namespace qg::collect
