// quillgraph-cli collect over a pty from the simulated Harrowmeter, and the collection dialog's
// checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "cli/commands.h"
#include "collect/collect.h"
#include "collect/dialog_checks.h"
#include "devices/device.h"
#include "devices/network.h"
#include "harrowmeter/config.h"
#include "history/history.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "plugins/plugin_host.h"
#include "serial/link.h"
#include "sim/harrowmeter_model.h"
#include "sim/rtu_slave.h"

namespace qg::collect {
namespace {

namespace hm = qg::harrowmeter;
namespace reg = qg::harrowmeter::reg;

struct Sim {
  Sim() : model(std::make_shared<sim::HarrowmeterModel>(
              1, *platform::EncodeDateTime(2024, 6, 1, 12, 0, 0))) {
    std::string error;
    if (!slave.OpenPty(error)) ADD_FAILURE() << error;
    slave.SetBaud(19200);
    slave.AddDevice(1, model);
    slave.Start();
  }
  ~Sim() { slave.Stop(); }
  void Write(std::uint16_t r, std::uint16_t v) {
    std::uint16_t echoed = 0;
    ASSERT_EQ(model->WriteRegister(r, v, echoed), 0);
  }
  sim::RtuSlave slave;
  std::shared_ptr<sim::HarrowmeterModel> model;
};

std::filesystem::path TempFile(const char* name) {
  return std::filesystem::temp_directory_path() /
         (std::string(name) + "_" + std::to_string(::getpid()) + ".hst");
}

TEST(CollectCli, WritesTheCollectionAndItLoadsBackEqual) {
  Sim sim;
  // The factory set-up: a J thermocouple, a Pt100, a linear input with one decimal and a K
  // thermocouple; channel 2 every third tick.
  sim.Write(reg::Multiplier(1), 3);
  sim.Write(reg::kAcquisitionCommand, hm::kCommandStart);
  sim.model->Advance(99 * 1000);
  const auto file = TempFile("collect_cli");
  std::ostringstream out, err;
  ASSERT_EQ(cli::CmdCollect({"--port", sim.slave.Path(), "--baud", "19200", "--address", "1",
                             file.string()}, out, err), 0) << err.str();
  EXPECT_NE(err.str().find("Coletando as aquisições"), std::string::npos);
  EXPECT_NE(err.str().find("100%"), std::string::npos);

  // The same memory collected here, through a link of our own.
  platform::PortMap ports;
  ports.Set(1, sim.slave.Path());
  platform::SystemClock clock;
  serial::Link link(serial::LinkVariant::Quillgraph, ports, clock);
  ASSERT_TRUE(link.DDM_OpenDriver(1, 19200));
  const CollectOutcome direct = Collect({"x", "Harrowmeter", 1, 3}, link, clock);
  ASSERT_EQ(direct.result, kCollectOk);
  EXPECT_EQ(direct.data.Counts[0], 100u);

  const history::LoadResult loaded = history::LoadGraph(file.string());
  ASSERT_TRUE(loaded.data) << loaded.message;
  ASSERT_EQ(loaded.data->ErrorCode, 0) << loaded.message;
  const devices::CDevice& a = direct.data;
  const devices::CDevice& b = *loaded.data;
  EXPECT_EQ(b.Title, a.Title);
  EXPECT_EQ(b.SerialNumber, a.SerialNumber);
  for (int ch = 0; ch < 8; ++ch) {
    ASSERT_EQ(b.Counts[ch], a.Counts[ch]) << "channel " << ch + 1;
    if (a.Counts[ch] == 0) continue;  // a file keeps no texts for a channel without samples
    EXPECT_EQ(b.Tags[ch], a.Tags[ch]);
    EXPECT_EQ(b.Units[ch], a.Units[ch]);
    EXPECT_EQ(b.DecimalPoint[ch], a.DecimalPoint[ch]);
    for (std::uint32_t i = 0; i < a.Counts[ch]; ++i) {
      EXPECT_NEAR(b.Times[ch][i], a.Times[ch][i], 0.5 / 86400000.0) << ch << " " << i;
      EXPECT_FLOAT_EQ(b.Values[ch][i], a.Values[ch][i]) << ch << " " << i;
    }
  }
  std::filesystem::remove(file);
}

TEST(CollectCli, FailureWritesNothing) {
  Sim sim;
  sim::FaultModes f;
  f.silent = true;
  sim.slave.SetFaults(f);
  const auto file = TempFile("collect_cli_fail");
  std::filesystem::remove(file);
  std::ostringstream out, err;
  EXPECT_EQ(cli::CmdCollect({"--port", sim.slave.Path(), "--baud", "19200", "--address", "1",
                             "--timeout", "0", file.string()}, out, err), 1);
  EXPECT_NE(err.str().find("Erro na leitura da 1ª parte da configuração!\nErro: Timeout"),
            std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(file));

  // Nothing stored: its own text, and no file either.
  sim.slave.SetFaults({});
  std::ostringstream out2, err2;
  EXPECT_EQ(cli::CmdCollect({"--port", sim.slave.Path(), "--baud", "19200", "--address", "1",
                             file.string()}, out2, err2), 1);
  EXPECT_NE(err2.str().find("Não há aquisições para coletar!"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));
  std::ostringstream out3, err3;
  EXPECT_EQ(cli::CmdCollect({"--port", sim.slave.Path(), file.string()}, out3, err3), 2);
}

TEST(CollectDialog, ChecksInOrder) {
  Sim sim;
  plugins::PluginHost host(std::filesystem::temp_directory_path());
  devices::DeviceList list;
  auto add = [&](const std::string& name, const std::string& type) -> devices::CDevice& {
    return list.Create({name, type, type, 1, 1, 19200}, host);
  };
  add("Forno", "Harrowmeter");
  add("Caldeira", "Outro");
  devices::CDevice& busy = add("Estufa", "Harrowmeter");
  devices::NetworkModel net;
  net.portIndex = 2;  // COM2: mapped to nothing that exists
  net.baud = "19200";
  net.acceptedLabels[1] = "Forno";
  net.Row(1).deviceType = "Harrowmeter";
  net.acceptedLabels[3] = "Caldeira";
  net.Row(3).deviceType = "Outro";
  net.acceptedLabels[4] = "Estufa";
  net.Row(4).deviceType = "Harrowmeter";
  EXPECT_EQ(DeviceChoices(net), (std::vector<std::string>{"Nenhum", "Forno", "Caldeira", "Estufa"}));
  EXPECT_EQ(DeviceTypeShown(net, "Caldeira"), "Outro");
  EXPECT_EQ(DeviceTypeShown(net, "Nenhum"), "");

  platform::PortMap ports;
  ports.Set(1, sim.slave.Path());
  ports.Set(2, "/nonexistent/tty");
  platform::SystemClock clock;
  serial::Link link(serial::LinkVariant::Quillgraph, ports, clock);
  struct Case {
    std::string name;
    CollectCheck check;
    std::string message;
  } cases[] = {
      {"Nenhum", CollectCheck::UnknownDevice, "Este dispositivo não existe ou não é válido!"},
      {"Caldeira", CollectCheck::NotCollectable, "Este dispositivo não possui coleta de aquisições!"},
      {"Forno", CollectCheck::PortUnavailable,
       "A porta está em uso ou inexistente! Não foi possível realizar coleta!"},
  };
  for (const Case& c : cases) {
    const CheckOutcome o = CheckCollect(c.name, net, list, link);
    EXPECT_EQ(o.check, c.check) << c.name;
    EXPECT_EQ(o.message, c.message);
    EXPECT_EQ(o.device, nullptr);
  }
  net.portIndex = 1;
  const CheckOutcome ok = CheckCollect("Forno", net, list, link);
  EXPECT_EQ(ok.check, CollectCheck::Ok);
  ASSERT_NE(ok.device, nullptr);
  EXPECT_EQ(ok.device->Name, "Forno");
  EXPECT_TRUE(link.DDM_IfDriverExist());
  busy.UseCount = 1;
  EXPECT_EQ(CheckCollect("Estufa", net, list, link).message,
            "Não é possível realizar coleta enquanto houver algum gráfico de monitoração!");
  busy.UseCount = 0;
  busy.Scanning = true;
  EXPECT_EQ(CheckCollect("Estufa", net, list, link).check, CollectCheck::InUse);
  // The port opened by the checks stays open.
  EXPECT_TRUE(link.DDM_IfDriverExist());
}

}  // namespace
}  // namespace qg::collect
