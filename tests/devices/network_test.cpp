#include <gtest/gtest.h>

#include "devices/device.h"
#include "devices/network.h"
#include "platform/profile.h"
#include "plugins/plugin_host.h"

namespace qg::devices {
namespace {

class Network : public ::testing::Test {
 protected:
  plugins::PluginHost host{QG_PLUGIN_FIXTURES};
  DeviceList devices;
  NetworkModel model;
  void SetRow(int n, std::string address, std::string type, std::string label) {
    model.Row(n) = {std::move(address), std::move(type), std::move(label)};
  }
};

TEST_F(Network, LeavingACellRefusesDuplicatesOfOtherRows) {
  SetRow(1, "1", "Harrowmeter", "Forno");
  SetRow(2, " 1 ", "Harrowmeter", "  Forno ");
  EXPECT_EQ(LeaveCell(model, 2, NetworkColumn::Label), "Label já declarado");
  EXPECT_EQ(model.Row(2).label, "");
  EXPECT_EQ(LeaveCell(model, 2, NetworkColumn::Address), "Endereço já declarado");
  EXPECT_EQ(model.Row(2).address, "");
  SetRow(3, "  2 ", "", " Caldeira  ");
  EXPECT_EQ(LeaveCell(model, 3, NetworkColumn::Label), std::nullopt);
  EXPECT_EQ(model.Row(3).label, "Caldeira");  // trimmed, kept
  EXPECT_EQ(LeaveCell(model, 3, NetworkColumn::Address), std::nullopt);
  EXPECT_EQ(model.Row(3).address, "2");
}

TEST_F(Network, ApplyAcceptsClearsAndLeavesRowsAsTheRulesSay) {
  SetRow(1, "3", "Harrowmeter", "Forno");
  SetRow(2, "0", "Harrowmeter", "Reserva");   // kept as typed, no device
  SetRow(3, "7", "", "");                      // only an address: cleared
  SetRow(4, "9", "NoSuchType", "Fantasma");    // accepted, a device without parameters
  model.portIndex = 2;
  model.baud = "19200";
  int notified = 0;
  ASSERT_TRUE(ApplyNetwork(model, devices, host, [&] { ++notified; }).ok);
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(model.acceptedLabels[1], "Forno");
  EXPECT_EQ(model.acceptedLabels[2], "");
  EXPECT_EQ(model.Row(2).address, "0");
  EXPECT_EQ(model.Row(3).address, "");
  ASSERT_EQ(devices.Size(), 2u);
  const CDevice* forno = devices.Find("Forno");
  ASSERT_NE(forno, nullptr);
  EXPECT_EQ(forno->Address, 3);
  EXPECT_EQ(forno->Port, 2);
  EXPECT_EQ(forno->Baud, 19200);
  EXPECT_EQ(forno->ChannelCount, 8);
  EXPECT_EQ(forno->ParamNames[7], "Canal 8");
  EXPECT_EQ(devices.Find("forno"), nullptr);  // exact, case-sensitive
  EXPECT_EQ(devices.Find("Fantasma")->ChannelCount, 0);

  // A change of type rebuilds the storage for the new type; the object stays the same.
  SetRow(1, "4", "Count17", "Forno");
  ASSERT_TRUE(ApplyNetwork(model, devices, host).ok);
  EXPECT_EQ(devices.Find("Forno"), forno);
  EXPECT_EQ(forno->ChannelCount, 17);
  EXPECT_EQ(forno->Values.size(), 17u);
  EXPECT_EQ(forno->ParamNames[16], "P17");
  EXPECT_EQ(forno->Address, 4);
  SetRow(1, "4", "CountNegative", "Forno");
  ASSERT_TRUE(ApplyNetwork(model, devices, host).ok);
  EXPECT_EQ(forno->ChannelCount, 0);
  EXPECT_TRUE(forno->Values.empty());
}

TEST_F(Network, AnAddressThatIsNotANumberStopsTheApplyAtItsRow) {
  SetRow(1, "1", "Harrowmeter", "A");
  SetRow(2, "x1", "Harrowmeter", "B");
  SetRow(3, "3", "Harrowmeter", "C");
  int notified = 0;
  const auto r = ApplyNetwork(model, devices, host, [&] { ++notified; });
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.failedRow, 2);
  EXPECT_EQ(r.message, "'x1' não é um valor inteiro válido");
  EXPECT_EQ(notified, 0);
  EXPECT_NE(devices.Find("A"), nullptr);
  EXPECT_EQ(devices.Find("B"), nullptr);
  EXPECT_EQ(devices.Find("C"), nullptr);
  EXPECT_EQ(model.acceptedLabels[2], "");
  SetRow(2, "300", "Harrowmeter", "B");  // would wrap to 44 in the 8-bit field
  EXPECT_FALSE(ApplyNetwork(model, devices, host).ok);
}

TEST(PenDeviceList, RefillKeepsTheShownDeviceOrFallsBackToNenhum) {
  std::array<std::string, kNetworkRows + 1> accepted{};
  accepted[1] = "A";
  accepted[3] = "C";
  auto c = RefillPenDeviceList("C", accepted);
  EXPECT_EQ(c.items, (std::vector<std::string>{"Nenhum", "A", "C"}));
  EXPECT_EQ(c.selected, 2);
  EXPECT_EQ(RefillPenDeviceList("B", accepted).selected, 0);
  EXPECT_EQ(RefillPenDeviceList("Nenhum", {}).items, std::vector<std::string>{"Nenhum"});
}

TEST_F(Network, SettingsRoundTripThroughTheCommunicationSection) {
  SetRow(1, "3", "Harrowmeter", "Forno");
  SetRow(2, "0", "Harrowmeter", "Reserva");
  model.portIndex = 1;
  model.baud = "4800";
  ASSERT_TRUE(ApplyNetwork(model, devices, host).ok);
  platform::ProfileFile ini = platform::ProfileFile::Parse("[Ports]\r\nCOM1=/dev/x\r\n");
  WriteNetworkSettings(ini, model, 120);
  EXPECT_EQ(ini.GetString("Communication", "Label2", "?"), "");  // not accepted
  EXPECT_EQ(ini.GetString("Communication", "Address2", "?"), "0");
  EXPECT_EQ(ini.GetString("Ports", "COM1", ""), "/dev/x");

  NetworkModel back;
  std::int32_t timeout = 50;
  ReadNetworkSettings(platform::ProfileFile::Parse(ini.Serialize()), back, timeout);
  EXPECT_EQ(back.portIndex, 1);
  EXPECT_EQ(back.baud, "4800");
  EXPECT_EQ(timeout, 120);
  EXPECT_EQ(back.Row(1).label, "Forno");
  EXPECT_EQ(back.Row(2).label, "");

  // Absent keys give the defaults; nonsense keeps what is sound.
  NetworkModel fresh;
  timeout = 7;
  ReadNetworkSettings(platform::ProfileFile::Parse(
                          "[Communication]\r\nPort=9\r\nBaud=38400\r\nTimeout=abc\r\n"),
                      fresh, timeout);
  EXPECT_EQ(fresh.portIndex, 0);
  EXPECT_EQ(fresh.baud, "9600");
  EXPECT_EQ(timeout, 7);
  ReadNetworkSettings(platform::ProfileFile(), fresh, timeout);
  EXPECT_EQ(timeout, 50);
}

}  // namespace
}  // namespace qg::devices
