// What one poll of a Harrowmeter costs in plug-in questions (every export looked up by name on
// each call), and what listing a folder costs.
#include <benchmark/benchmark.h>

#include "plugins/plugin_host.h"

namespace {

void BM_PollPlanHarrowmeter(benchmark::State& state) {
  qg::plugins::PluginHost host(QG_PLUGIN_DIR);
  for (auto _ : state) benchmark::DoNotOptimize(qg::plugins::MakePollPlan(host, "Harrowmeter"));
}
BENCHMARK(BM_PollPlanHarrowmeter);

void BM_ParameterNameHarrowmeter(benchmark::State& state) {
  qg::plugins::PluginHost host(QG_PLUGIN_DIR);
  for (auto _ : state)
    benchmark::DoNotOptimize(qg::plugins::ParameterName(host, "Harrowmeter", 5));
}
BENCHMARK(BM_ParameterNameHarrowmeter);

void BM_MissingLibrary(benchmark::State& state) {
  qg::plugins::PluginHost host(QG_PLUGIN_DIR);
  for (auto _ : state) benchmark::DoNotOptimize(host.DV_GetDeviceChannelsNumber("Absent"));
}
BENCHMARK(BM_MissingLibrary);

void BM_ListPlugins(benchmark::State& state) {
  qg::plugins::PluginHost host(QG_PLUGIN_DIR);
  for (auto _ : state) benchmark::DoNotOptimize(host.ListPlugins());
}
BENCHMARK(BM_ListPlugins);

}  // namespace
