// Collecting a full 65,536-word memory at 19200 baud from the simulated Harrowmeter with line
// timing, beside the time the bytes alone take on the wire.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "collect/collect.h"
#include "collect/samples.h"
#include "harrowmeter/config.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "serial/link.h"
#include "sim/harrowmeter_model.h"
#include "sim/rtu_slave.h"

namespace {

namespace hm = qg::harrowmeter;
namespace reg = qg::harrowmeter::reg;

void BM_CollectFullMemory(benchmark::State& state) {
  constexpr std::uint32_t kWords = 65536;
  constexpr std::uint32_t kBaud = 19200;
  auto model = std::make_shared<qg::sim::HarrowmeterModel>(
      1, *qg::platform::EncodeDateTime(2024, 6, 1, 12, 0, 0), 120345, kWords);
  std::uint16_t echoed = 0;
  model->WriteRegister(reg::kAcquisitionCommand, hm::kCommandStart, echoed);
  // Four channels a tick until the memory is full.
  model->Advance(std::uint64_t{kWords / 4} * 1000);

  qg::sim::RtuSlave slave;
  std::string error;
  if (!slave.OpenPty(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  slave.SetBaud(kBaud);
  slave.AddDevice(1, model);
  slave.SetFaults({.lineTiming = true});
  slave.Start();
  qg::platform::PortMap ports;
  ports.Set(1, slave.Path());
  qg::platform::SystemClock clock;
  qg::serial::Link link(qg::serial::LinkVariant::Quillgraph, ports, clock);
  link.Par().timeout = 0;
  if (!link.DDM_OpenDriver(1, kBaud)) {
    state.SkipWithError(link.OpenError().c_str());
    return;
  }
  std::size_t entries = 0;
  for (auto _ : state) {
    const auto out = qg::collect::Collect({"bench", "Harrowmeter", 1, 3}, link, clock);
    if (out.result != qg::collect::kCollectOk) {
      const std::string why = "collection failed: result " + std::to_string(out.result) +
                              ", link error " + std::to_string(out.data.ErrorCode);
      state.SkipWithError(why.c_str());
      break;
    }
    entries = out.data.Counts[0];
  }
  // Configuration (125 and 76 registers), the memory blocks and registers 183-184: request and
  // reply bytes, ten bits each.
  double bytes = (8 + 2 * 125 + 5) + (8 + 2 * 76 + 5) + (8 + 2 * 2 + 5);
  for (auto n : qg::collect::PlanBlocks(kWords, kWords).blocks) bytes += 12 + 2.0 * n + 8;
  state.counters["wire_s"] = bytes * 10.0 / kBaud;
  state.counters["entries_per_channel"] = static_cast<double>(entries);
  slave.Stop();
}

BENCHMARK(BM_CollectFullMemory)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);

}  // namespace
