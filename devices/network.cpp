#include "devices/network.h"

#include "devices/device.h"
#include "platform/convert.h"
#include "platform/profile.h"

namespace qg::devices {
namespace {

std::string Trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string& Cell(NetworkRow& r, NetworkColumn c) {
  switch (c) {
    case NetworkColumn::Address: return r.address;
    case NetworkColumn::DeviceType: return r.deviceType;
    default: return r.label;
  }
}

}  // namespace

const std::vector<std::string>& PortChoices() {
  static const std::vector<std::string> kPorts = {"Nenhum", "COM1", "COM2", "COM3", "COM4"};
  return kPorts;
}

const std::vector<std::string>& BaudChoices() {
  static const std::vector<std::string> kBauds = {"1200", "2400", "4800", "9600", "19200"};
  return kBauds;
}

void NetworkModel::SelectBaud(const std::string& text) {
  for (const auto& b : BaudChoices())
    if (b == text) baud = text;
}

void NetworkModel::SelectPort(long index) {
  // An index the list does not have selects "Nenhum" rather than a port that does not exist.
  portIndex = index >= 0 && index < static_cast<long>(PortChoices().size())
                  ? static_cast<int>(index) : 0;
}

std::optional<std::string> LeaveCell(NetworkModel& model, int row, NetworkColumn column) {
  if (row < 1 || row > kNetworkRows || column == NetworkColumn::DeviceType) return std::nullopt;
  std::string& cell = Cell(model.Row(row), column);
  cell = Trimmed(cell);
  if (cell.empty()) return std::nullopt;
  for (int n = 1; n <= kNetworkRows; ++n) {
    if (n == row) continue;
    if (Trimmed(Cell(model.Row(n), column)) == cell) {
      cell.clear();
      return column == NetworkColumn::Label ? "Label já declarado" : "Endereço já declarado";
    }
  }
  return std::nullopt;
}

ApplyResult ApplyNetwork(NetworkModel& model, DeviceList& devices, plugins::PluginHost& host,
                         const std::function<void()>& applied) {
  const long baud = platform::StrToInt(model.baud).value_or(9600);
  for (int n = 1; n <= kNetworkRows; ++n) {
    NetworkRow& row = model.Row(n);
    model.acceptedLabels[n].clear();
    const bool accepted = !row.label.empty() && !row.address.empty() && row.address != "0" &&
                          !row.deviceType.empty();
    if (accepted) {
      const auto address = platform::StrToInt(row.address);
      if (!address) return {false, n, platform::ConversionErrorText(row.address)};
      // The field is 8 bits: an address outside the Modbus range would silently become another.
      if (*address < 1 || *address > 247)
        return {false, n, "Endereço " + row.address + " inválido (1 a 247)"};
      model.acceptedLabels[n] = row.label;
      DEV_ID id{row.label, row.deviceType, row.deviceType, static_cast<std::uint8_t>(*address),
                static_cast<std::uint8_t>(model.portIndex), static_cast<std::uint16_t>(baud)};
      if (CDevice* existing = devices.Find(row.label))
        DeviceList::Update(*existing, id, host);
      else
        devices.Create(id, host);
    } else if (row.label.empty() || row.deviceType.empty()) {
      row = NetworkRow{};
    }
  }
  if (applied) applied();
  return {};
}

PenDeviceChoices RefillPenDeviceList(const std::string& shown,
                                     const std::array<std::string, kNetworkRows + 1>& accepted) {
  PenDeviceChoices c;
  c.items.emplace_back(kNoDevice);
  for (int n = 1; n <= kNetworkRows; ++n)
    if (!accepted[n].empty()) c.items.push_back(accepted[n]);
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    if (c.items[i] == shown) {
      c.selected = static_cast<int>(i);
      break;
    }
  }
  return c;
}

void ReadNetworkSettings(const platform::ProfileFile& settings, NetworkModel& model,
                         std::int32_t& timeout) {
  model.SelectPort(settings.GetInt(kSettingsSection, "Port", 0));
  model.SelectBaud(settings.GetString(kSettingsSection, "Baud", "9600"));
  // A time-out that is not a number keeps the one in force.
  if (const auto t = platform::StrToInt(settings.GetString(kSettingsSection, "Timeout", "50")))
    timeout = static_cast<std::int32_t>(*t);
  for (int n = 1; n <= kNetworkRows; ++n) {
    const std::string s = std::to_string(n);
    NetworkRow& row = model.Row(n);
    row.address = settings.GetString(kSettingsSection, "Address" + s, "");
    row.deviceType = settings.GetString(kSettingsSection, "Device" + s, "");
    row.label = settings.GetString(kSettingsSection, "Label" + s, "");
  }
}

void WriteNetworkSettings(platform::ProfileFile& settings, const NetworkModel& model,
                          std::int32_t timeout) {
  settings.SetInt(kSettingsSection, "Port", model.portIndex);
  settings.SetString(kSettingsSection, "Baud", model.baud);
  settings.SetString(kSettingsSection, "Timeout", std::to_string(timeout));
  for (int n = 1; n <= kNetworkRows; ++n) {
    const std::string s = std::to_string(n);
    settings.SetString(kSettingsSection, "Address" + s, model.Row(n).address);
    settings.SetString(kSettingsSection, "Device" + s, model.Row(n).deviceType);
    settings.SetString(kSettingsSection, "Label" + s, model.acceptedLabels[n]);
  }
}

}  // namespace qg::devices
