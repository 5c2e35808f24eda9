#pragma once
// The device network: port, baud, the 64-row table and the labels accepted at the last apply.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qg::platform {
class ProfileFile;
}
namespace qg::plugins {
class PluginHost;
}

namespace qg::devices {

class DeviceList;

inline constexpr int kNetworkRows = 64;
inline constexpr const char* kNoDevice = "Nenhum";
inline constexpr const char* kSettingsSection = "Communication";

// The entries of the port list (index = port number) and of the baud list.
const std::vector<std::string>& PortChoices();
const std::vector<std::string>& BaudChoices();

struct NetworkRow {
  std::string address;     // as typed
  std::string deviceType;
  std::string label;
};

enum class NetworkColumn { Address, DeviceType, Label };

struct NetworkModel {
  int portIndex = 0;               // 0 = "Nenhum", 1..4 = COM1..COM4
  std::string baud = "9600";       // the text of the selected rate
  std::array<NetworkRow, kNetworkRows> rows{};  // row n is rows[n - 1]
  std::array<std::string, kNetworkRows + 1> acceptedLabels{};  // 0 unused

  NetworkRow& Row(int n) { return rows[static_cast<std::size_t>(n - 1)]; }
  const NetworkRow& Row(int n) const { return rows[static_cast<std::size_t>(n - 1)]; }
  // Selects the baud entry with exactly this text; another text keeps the selection.
  void SelectBaud(const std::string& text);
  void SelectPort(long index);
};

// Leaving an edited address or label cell: trims it and, when another non-empty row of the same
// column holds the same text, empties it and answers the message to show.
std::optional<std::string> LeaveCell(NetworkModel& model, int row, NetworkColumn column);

struct ApplyResult {
  bool ok = true;
  int failedRow = 0;      // the row whose address stopped the apply
  std::string message;    // shown to the user when !ok
};

// Applies rows 1..64 in order: accepted rows create or update their device objects, rows
// without label or type are cleared. An address that is not a number stops the apply there.
// `applied` runs after a whole apply (the pen device lists are refilled from it).
ApplyResult ApplyNetwork(NetworkModel& model, DeviceList& devices, plugins::PluginHost& host,
                         const std::function<void()>& applied = {});

// A pen's device list after an apply: "Nenhum", then every non-empty accepted label in row
// order; the entry showing `shown` is selected again, else "Nenhum".
struct PenDeviceChoices {
  std::vector<std::string> items;
  int selected = 0;
};
PenDeviceChoices RefillPenDeviceList(const std::string& shown,
                                     const std::array<std::string, kNetworkRows + 1>& accepted);

// The [Communication] section of Quillgraph.ini.
void ReadNetworkSettings(const platform::ProfileFile& settings, NetworkModel& model,
                         std::int32_t& timeout);
void WriteNetworkSettings(platform::ProfileFile& settings, const NetworkModel& model,
                          std::int32_t timeout);

}  // namespace qg::devices
