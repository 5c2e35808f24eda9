// LoadGraph and the text export on a 1,000,000-record, 16-channel history (72 MB) made here,
// beside a plain read of the same file's bytes. Peak memory: run one benchmark at a time under
// /usr/bin/time -v (see the figures in the report).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "history/export.h"
#include "history/history.h"

namespace {

namespace h = qg::history;
constexpr std::size_t kRecords = 1'000'000;

// Made once per run, removed at exit.
struct BenchFile {
  std::string path = "/tmp/qg_history_bench_" + std::to_string(::getpid()) + ".hst";
  BenchFile() {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    h::HistoryHeader hd;
    hd.DeviceType = "Harrowmeter";
    hd.Title = "Bench";
    hd.Seconds = 1;
    const auto hb = h::EncodeHeader(hd);
    std::fwrite(hb.data(), 1, hb.size(), f);
    for (int k = 0; k < h::kChannels; ++k) {
      h::HistoryChannelBlock b;
      b.Present = 1;
      b.Tag = "Ch" + std::to_string(k + 1);
      b.DecimalPoint = static_cast<std::uint8_t>(k % 4);
      b.Multiplier = 1;
      const auto bb = h::EncodeChannelBlock(b);
      std::fwrite(bb.data(), 1, bb.size(), f);
    }
    std::vector<std::uint8_t> chunk;
    chunk.reserve(10000 * h::kRecordSize);
    for (std::size_t i = 0; i < kRecords; ++i) {
      h::HistoryRecord r;
      r.Time = 45000.0 + static_cast<double>(i) / 86400.0;
      for (int k = 0; k < h::kChannels; ++k)
        r.Raw[k] = static_cast<std::int16_t>(i % 97 == 0 ? h::kNoValueRaw
                                                        : static_cast<int>((i * 31 + k * 977) % 20000) - 10000);
      const auto rb = h::EncodeRecord(r);
      chunk.insert(chunk.end(), rb.begin(), rb.end());
      if (chunk.size() >= 10000 * h::kRecordSize) {
        std::fwrite(chunk.data(), 1, chunk.size(), f);
        chunk.clear();
      }
    }
    std::fwrite(chunk.data(), 1, chunk.size(), f);
    std::fclose(f);
  }
  ~BenchFile() {
    std::filesystem::remove(path);
    std::filesystem::remove(path + ".txt");
    std::filesystem::remove(path + ".saved.hst");
  }
};

const BenchFile& File() {
  static const BenchFile file;
  return file;
}

double PeakMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_ReadBytes(benchmark::State& state) {
  const auto& path = File().path;
  const auto size = std::filesystem::file_size(path);
  for (auto _ : state) {
    std::vector<std::uint8_t> bytes(size);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t got = 0;
    while (got < size) {
      const ssize_t r = ::read(fd, bytes.data() + got, size - got);
      if (r <= 0) break;
      got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  state.counters["peak_rss_MB"] = PeakMb();
}
BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond);

void BM_LoadGraph(benchmark::State& state) {
  const auto& path = File().path;
  const auto size = std::filesystem::file_size(path);
  for (auto _ : state) {
    auto r = h::LoadGraph(path);
    if (!r.data || r.data->Counts[15] != kRecords) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(r.data.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  // What the data set must hold: a float and a date-time per sample of every channel.
  state.counters["arrays_MB"] = 16.0 * kRecords * (sizeof(float) + sizeof(double)) / 1048576.0;
  state.counters["peak_rss_MB"] = PeakMb();
}
BENCHMARK(BM_LoadGraph)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state) {
  const auto r = h::LoadGraph(File().path);
  const std::string out = File().path + ".txt";
  for (auto _ : state) {
    if (!h::ExportGraph(out, *r.data, h::TagHeaderLine(*r.data, true), h::DashLine(true)))
      state.SkipWithError("export failed");
  }
  state.counters["out_MB"] = static_cast<double>(std::filesystem::file_size(out)) / 1048576.0;
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

void BM_SaveGraph(benchmark::State& state) {
  const auto r = h::LoadGraph(File().path);
  const std::string out = File().path + ".saved.hst";
  for (auto _ : state)
    if (!h::SaveGraph(out, *r.data)) state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveGraph)->Unit(benchmark::kMillisecond);

}  // namespace
