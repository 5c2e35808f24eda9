#include "collect/samples.h"

#include <algorithm>
#include <optional>

#include "harrowmeter/config.h"
#include "harrowmeter/registers.h"
#include "platform/datetime.h"

namespace qg::collect {

namespace hm = qg::harrowmeter;

BlockPlan PlanBlocks(std::uint32_t stored, std::uint32_t capacity) {
  BlockPlan plan;
  const std::uint64_t s = stored, c = capacity;
  // The whole memory when it is (nearly) full, else what is stored and some slack; a capacity
  // that is not a multiple of the block size gets a last, shorter block, so the newest words of
  // a full memory are not left behind; and no request is longer than a block.
  std::uint64_t want = s + kReadAhead < c ? s + kReadAhead : c;
  want = std::min<std::uint64_t>(want, kMaxMemoryWords);
  plan.words = static_cast<std::uint32_t>(want);
  for (std::uint64_t left = want; left > 0;) {
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kMemoryBlockWords));
    plan.blocks.push_back(n);
    left -= n;
  }
  return plan;
}

Schedule::Schedule(const Programme& p) {
  for (int ch = 0; ch < hm::kChannels; ++ch) {
    enabled_[ch] = p.enabled[ch];
    mult_[ch] = std::max<std::uint32_t>(1, p.multiplier[ch]);
    if (enabled_[ch]) {
      any_ = true;
      maxMult_ = std::max(maxMult_, mult_[ch]);
    }
  }
}

std::uint64_t Schedule::StoredBy(std::uint64_t n) const {
  std::uint64_t s = 0;
  for (int ch = 0; ch < hm::kChannels; ++ch)
    if (enabled_[ch]) s += (n + mult_[ch] - 1) / mult_[ch];
  return s;
}

std::uint64_t Schedule::TicksFor(std::uint64_t from, std::uint64_t words) const {
  if (!any_ || words == 0) return 0;
  const std::uint64_t base = StoredBy(from);
  // Every channel stores once in any run of its multiplier's ticks.
  std::uint64_t lo = 1, hi = words * maxMult_;
  while (lo < hi) {
    const std::uint64_t mid = lo + (hi - lo) / 2;
    if (StoredBy(from + mid) - base >= words)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

std::optional<platform::DateTime> EventHeaderTime(std::uint16_t secTenths, std::uint16_t hourMin,
                                                  std::uint16_t monthDay, platform::DateTime now) {
  const platform::DateTimeFields today = platform::DecodeDateTime(now);
  const int month = hm::LowByte(monthDay);
  const int day = hm::HighByte(monthDay);
  int year = month > today.month ? today.year - 1 : today.year;
  // 29 February names a leap year: the latest one up to the inferred year (at most eight years
  // back, across a century that is not one), so that a run started on it is not lost.
  if (month == 2 && day == 29)
    for (int back = 0; back < 8 && platform::DaysInMonth(year, 2) < 29; ++back) --year;
  // Tenths of a second (high byte of the first word) are dropped: whole seconds.
  return platform::EncodeDateTime(year, month, day, hm::LowByte(hourMin), hm::HighByte(hourMin),
                                  hm::LowByte(secTenths));
}

namespace {

constexpr std::uint16_t kMarker = hm::kEventMarker;

// Writes entries into arrays that were allocated at their final size; the index can never pass
// that size, whatever the words hold.
class Filler {
 public:
  Filler(const Programme& p, devices::CDevice& data, std::uint32_t count) : p_(p), data_(data) {
    std::uint32_t counts[hm::kChannels] = {};
    for (int ch = 0; ch < hm::kChannels; ++ch) counts[ch] = p.enabled[ch] ? count : 0;
    data.RebuildValueStorage(counts, hm::kChannels);
    size_ = count;
  }
  void Put(int ch, platform::DateTime t, float v) {
    if (next_[ch] >= size_) return;
    data_.Times[ch][next_[ch]] = t;
    data_.Values[ch][next_[ch]] = v;
    ++next_[ch];
  }
  void PutWord(int ch, platform::DateTime t, std::uint16_t w) {
    Put(ch, t, WordValue(w, p_.inputType[ch], p_.decimalPoint[ch]));
  }
  platform::DateTime LastTime(int ch) const {
    return next_[ch] == 0 ? 0.0 : data_.Times[ch][next_[ch] - 1];
  }

 private:
  const Programme& p_;
  devices::CDevice& data_;
  std::uint32_t size_ = 0;
  std::array<std::uint32_t, hm::kChannels> next_{};
};

bool BuildContinuous(const Programme& p, const Schedule& sched, const std::uint16_t* words,
                     std::uint64_t A, std::uint32_t total, std::uint64_t cap,
                     devices::CDevice& data) {
  const std::uint64_t c = p.capacity;
  std::uint64_t replayed = 0, k = 0;
  platform::DateTime first = p.firstAcquisition;
  if (total > c) {
    // The oldest total - c words were overwritten; the memory begins inside tick `replayed`,
    // whose first stored words are gone and whose last k words open the memory.
    const std::uint64_t lost = total - c;
    replayed = sched.TicksFor(0, lost);
    k = std::min<std::uint64_t>(sched.StoredBy(replayed) - lost, A);
    // The tick time moves with every replayed tick, not with the words of one channel: with
    // multipliers above 1 a channel's words are fewer than the ticks.
    first += static_cast<double>(replayed) * p.baseInterval;
  }
  std::uint64_t D = A - k;
  std::uint64_t ticks = sched.TicksFor(replayed, D);
  if (ticks > cap) {
    ticks = cap;
    D = sched.StoredBy(replayed + ticks) - sched.StoredBy(replayed);
  }
  if (ticks == 0) return false;

  Filler fill(p, data, static_cast<std::uint32_t>(ticks));
  std::uint64_t w = k;
  const std::uint64_t end = k + D;
  for (std::uint64_t i = 0; i < ticks; ++i) {
    const std::uint64_t tick = replayed + i + 1;
    const platform::DateTime T = first + static_cast<double>(i) * p.baseInterval;
    for (int ch = 0; ch < hm::kChannels; ++ch) {
      if (!sched.Enabled(ch)) continue;
      if (w < end && sched.Stores(ch, tick))
        fill.PutWord(ch, T, words[w++]);
      else
        fill.Put(ch, T, devices::kNoValue);
    }
  }
  data.FirstAcquisition = first;
  data.LastAcquisition = p.lastAcquisition;
  return true;
}

struct EventBlock {
  std::uint64_t begin, end;  // the run's sample words
  std::uint64_t ticks;
  platform::DateTime start;
};

bool BuildEvent(const Programme& p, const Schedule& sched, const std::uint16_t* words,
                std::uint64_t A, const platform::Clock& clock, std::uint64_t cap,
                devices::CDevice& data) {
  const platform::DateTime now = clock.Now();
  std::vector<EventBlock> blocks;
  std::uint64_t entries = 0;
  std::uint64_t pos = 0;
  while (pos < A) {
    // Words ahead of a marker are the remains of a run whose header was overwritten.
    while (pos < A && words[pos] != kMarker) ++pos;
    if (pos + 3 >= A) break;  // no marker, or a header cut short by the end of the words
    const auto start = EventHeaderTime(words[pos + 1], words[pos + 2], words[pos + 3], now);
    if (!start) {
      // Not a header: look for one from the next word on.
      ++pos;
      continue;
    }
    const std::uint64_t begin = pos + 4;
    std::uint64_t end = begin;
    while (end < A && words[end] != kMarker) ++end;
    pos = end;
    if (end == begin) continue;  // a run without samples draws nothing
    std::uint64_t ticks = sched.TicksFor(0, end - begin);
    const std::uint64_t lead = blocks.empty() ? 0 : 2;  // the zero entries between two runs
    if (entries + lead + ticks > cap) {
      if (entries + lead >= cap) break;
      ticks = cap - entries - lead;
      end = begin + sched.StoredBy(ticks);
      blocks.push_back({begin, end, ticks, *start});
      entries = cap;
      break;
    }
    blocks.push_back({begin, end, ticks, *start});
    entries += lead + ticks;
  }
  if (blocks.empty()) return false;

  Filler fill(p, data, static_cast<std::uint32_t>(entries));
  platform::DateTime T = 0;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const EventBlock& blk = blocks[b];
    if (b > 0)
      for (int ch = 0; ch < hm::kChannels; ++ch)
        if (sched.Enabled(ch)) fill.Put(ch, blk.start, 0.0f);
    std::uint64_t w = blk.begin;
    for (std::uint64_t i = 0; i < blk.ticks; ++i) {
      T = blk.start + static_cast<double>(i) * p.baseInterval;
      for (int ch = 0; ch < hm::kChannels; ++ch) {
        if (!sched.Enabled(ch)) continue;
        if (w >= blk.end)
          fill.Put(ch, T, 0.0f);  // the run ended inside this tick
        else if (sched.Stores(ch, i + 1))
          fill.PutWord(ch, T, words[w++]);
        else
          fill.Put(ch, T, devices::kNoValue);
      }
    }
    T = blk.start + static_cast<double>(blk.ticks) * p.baseInterval;
    if (b + 1 < blocks.size())
      for (int ch = 0; ch < hm::kChannels; ++ch)
        if (sched.Enabled(ch)) fill.Put(ch, fill.LastTime(ch), 0.0f);
  }
  data.FirstAcquisition = blocks.front().start;
  data.LastAcquisition = T;
  return true;
}

}  // namespace

bool BuildSamples(const Programme& p, const std::uint16_t* words, std::size_t wordsRead,
                  std::uint32_t total, const platform::Clock& clock, devices::CDevice& data,
                  std::uint64_t maxEntries) {
  const std::uint32_t none[1] = {0};
  data.RebuildValueStorage(none, 0);
  const Schedule sched(p);
  if (!sched.Any()) return false;
  std::uint64_t A = total > p.capacity ? p.capacity : total;
  A = std::min<std::uint64_t>(A, wordsRead);
  // Entries per enabled channel: every enabled channel gets one in every tick.
  const std::uint64_t cap =
      std::min<std::uint64_t>(maxEntries, kMaxEntries) / static_cast<std::uint64_t>(p.EnabledCount());
  if (A == 0 || cap == 0) return false;
  return p.eventMode ? BuildEvent(p, sched, words, A, clock, cap, data)
                     : BuildContinuous(p, sched, words, A, total, cap, data);
}

}  // namespace qg::collect
