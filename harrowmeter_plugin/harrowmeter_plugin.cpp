// The Harrowmeter described to Quillgraph: eight channels in registers 0 to 7, read with
// function 3. Every answer is a constant.
#include <cstring>

#include "quillgraph_plugin.h"

namespace {

constexpr int32_t kChannels = 8;

// Names as they cross the interface: Windows-1252.
constexpr const char* kChannelNames[kChannels] = {
    "Canal 1", "Canal 2", "Canal 3", "Canal 4", "Canal 5", "Canal 6", "Canal 7", "Canal 8"};

constexpr const char* kInputTypes[] = {
    "Termopar J",       "Termopar K",       "Termopar T",       "Termopar E",
    "Termopar N",       "Termopar R",       "Termopar S",       "Termopar B",
    "Pt100",            "4-20mA Lin J",     "4-20mA Lin K",     "4-20mA Lin T",
    "4-20mA Lin E",     "4-20mA Lin N",     "4-20mA Lin R",     "4-20mA Lin S",
    "4-20mA Lin B",     "4-20mA Lin Pt100", "4-20mA",           "0-50mV"};
constexpr int32_t kInputTypeCount = sizeof kInputTypes / sizeof kInputTypes[0];
constexpr const char* kNoInputType = "N\xE3o existe";

void Copy(char* buffer, const char* text) {
  if (buffer != nullptr) std::strcpy(buffer, text);
}

}  // namespace

extern "C" {

uint8_t DV_IsQuillgraphDLL(void) { return 1; }

int32_t DV_GetDeviceChannelsNumber(void) { return kChannels; }

void DV_GetDeviceParam(int32_t index, char* buffer) {
  if (index == 0)
    Copy(buffer, "8");
  else if (index >= 1 && index <= kChannels)
    Copy(buffer, kChannelNames[index - 1]);
  else
    Copy(buffer, "");
}

// Any name but the eight (compared exactly) answers 0, the first channel's register; the
// host only asks with names this plug-in gave it.
int32_t DV_GetOffSetReg(const char* name) {
  if (name == nullptr) return 0;
  for (int32_t k = 0; k < kChannels; ++k)
    if (std::strcmp(name, kChannelNames[k]) == 0) return k;
  return 0;
}

int32_t DV_GetInitReg(void) { return 0; }

int32_t DV_GetCommandType(int32_t /*kind*/) { return 3; }

void DV_GetInputType(int32_t number, char* buffer) {
  Copy(buffer, number >= 0 && number < kInputTypeCount ? kInputTypes[number] : kNoInputType);
}

}  // extern "C"
