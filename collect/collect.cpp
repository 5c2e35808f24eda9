#include "collect/collect.h"

#include <vector>

#include "collect/image.h"
#include "collect/samples.h"
#include "harrowmeter/config.h"
#include "harrowmeter/registers.h"

namespace qg::collect {

namespace hm = qg::harrowmeter;
namespace reg = qg::harrowmeter::reg;

std::string CollectResultText(int result, const CollectTexts& texts) {
  if (result < 0 || result >= static_cast<int>(texts.results.size())) return {};
  return texts.results[static_cast<std::size_t>(result)];
}

CollectRequest RequestFor(const devices::CDevice& device, std::uint16_t readFunction) {
  return {device.Name, device.DeviceType, device.Address, readFunction};
}

namespace {

class Progress {
 public:
  Progress(const ProgressFn& fn, const CollectTexts& texts) : fn_(fn) {
    state_.caption = texts.caption;
  }
  void Show(const std::string& label) {
    state_.visible = true;
    state_.label = label;
    state_.bar = 0;
    Report();
  }
  void Bar(int bar) {
    state_.bar = bar;
    Report();
  }
  void Hide() {
    if (!state_.visible) return;
    state_.visible = false;
    Report();
  }

 private:
  void Report() {
    if (fn_) fn_(state_);
  }
  const ProgressFn& fn_;
  ProgressState state_;
};

// One request with its attempts, back to back; the last attempt's code stands.
bool Request(serial::Link& link, std::uint16_t function, std::uint32_t start, std::uint32_t count,
             std::uint16_t* into) {
  serial::DRVPAR& par = link.Par();
  for (int i = 0; i < kAttempts; ++i) {
    par.function = function;
    par.start = start;
    par.count = count;
    par.data = into;
    if (link.ReadWords() == 0) return true;
  }
  return false;
}

}  // namespace

CollectOutcome Collect(const CollectRequest& request, serial::Link& link,
                       const platform::Clock& clock, const ProgressFn& progressFn,
                       const CollectTexts& texts) {
  CollectOutcome out;
  devices::CDevice& data = out.data;
  data.Name = request.name;
  data.DeviceType = request.deviceType;
  data.SourceType = request.deviceType;
  data.Address = request.address;

  Progress progress(progressFn, texts);
  link.Par().address = request.address;
  const auto fail = [&](int result) {
    out.result = result;
    data.ErrorCode = link.Par().result;
    progress.Hide();
    return std::move(out);
  };

  hm::ConfigBlock image{};
  progress.Show(texts.readingPart1);
  if (!Request(link, request.readFunction, 0, hm::kFirstPartCount, image.data()))
    return fail(kCollectConfig1Failed);
  progress.Bar(100);
  progress.Show(texts.readingPart2);
  if (!Request(link, request.readFunction, hm::kSecondPartStart, hm::kSecondPartCount,
               image.data() + hm::kSecondPartStart))
    return fail(kCollectConfig2Failed);
  progress.Bar(100);

  const Programme programme = DecodeImage(image, data);
  if (programme.stored == 0) {
    out.result = kCollectNothing;
    progress.Hide();
    return out;
  }

  const BlockPlan plan = PlanBlocks(programme.stored, programme.capacity);
  std::vector<std::uint16_t> memory(static_cast<std::size_t>(plan.words) + 101, 0);
  progress.Show(texts.collecting);
  std::uint32_t offset = 0;
  for (std::size_t b = 0; b < plan.blocks.size(); ++b) {
    if (!Request(link, 0x72, static_cast<std::uint32_t>(b) * kMemoryBlockWords, plan.blocks[b],
                 memory.data() + offset))
      return fail(kCollectMemoryFailed);
    offset += plan.blocks[b];
    progress.Bar(static_cast<int>(b * 100 / plan.blocks.size()));
  }
  progress.Bar(100);

  std::uint16_t written[2] = {0, 0};
  if (!Request(link, request.readFunction, reg::kTotalWrittenHigh, 2, written))
    return fail(kCollectTotalFailed);
  const std::uint32_t total = hm::JoinCount32(written[0], written[1]);

  if (!BuildSamples(programme, memory.data(), offset, total, clock, data)) {
    out.result = kCollectNothing;
    progress.Hide();
    return out;
  }
  progress.Hide();
  out.result = kCollectOk;
  return out;
}

}  // namespace qg::collect
