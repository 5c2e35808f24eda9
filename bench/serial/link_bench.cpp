// One function 3 transaction of 8 registers against the slave engine with line timing.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/clock.h"
#include "serial/link.h"
#include "sim/rtu_slave.h"

namespace {

void BM_ReadEightRegisters(benchmark::State& state) {
  const auto baud = static_cast<std::uint32_t>(state.range(0));
  const bool echo = state.range(1) != 0;
  qg::sim::RtuSlave slave;
  std::string error;
  if (!slave.OpenPty(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  slave.SetBaud(baud);
  slave.AddDevice(1, std::make_shared<qg::sim::RegisterBank>());
  slave.SetFaults({.echo = echo, .lineTiming = true});
  slave.Start();

  qg::platform::PortMap ports;
  ports.Set(1, slave.Path());
  qg::platform::SystemClock clock;
  qg::serial::Link link(qg::serial::LinkVariant::Quillgraph, ports, clock);
  link.Par().timeout = 0;
  if (!link.DDM_OpenDriver(1, static_cast<std::uint16_t>(baud))) {
    state.SkipWithError(link.OpenError().c_str());
    return;
  }
  std::uint16_t data[8];
  auto& p = link.Par();
  p.address = 1, p.function = 3, p.start = 0, p.count = 8, p.data = data;
  for (auto _ : state) {
    if (link.ReadWords() != 0) {
      state.SkipWithError("transaction failed");
      break;
    }
  }
  // Request 8 + reply 21 bytes. On a real two-wire line the echo comes back while the request
  // goes out; the simulator can only echo once it has the whole request.
  const double bytes = 8 + 21;
  state.counters["wire_ms"] = bytes * 10.0 * 1000.0 / baud;
  slave.Stop();
}

BENCHMARK(BM_ReadEightRegisters)
    ->ArgNames({"baud", "echo"})
    ->Args({9600, 0})
    ->Args({9600, 1})
    ->Args({19200, 0})
    ->Args({19200, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace
