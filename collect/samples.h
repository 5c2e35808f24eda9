#pragma once
// From memory words to time-stamped samples: the read plan of the memory, the logger's channel
// schedule, and the rebuild of continuous and event-mode acquisitions.
#include <cstdint>
#include <vector>

#include "collect/image.h"
#include "devices/device.h"
#include "platform/clock.h"

namespace qg::collect {

inline constexpr std::uint32_t kMemoryBlockWords = 2048;
// Slack read past the stored count: the logger may keep storing while it is read.
inline constexpr std::uint32_t kReadAhead = 100;
// A configuration can announce any 32-bit count; no instrument memory is larger than this, and
// reading more would only fill the buffer from a lying register.
inline constexpr std::uint32_t kMaxMemoryWords = 1u << 22;
// The most entries (over all channels) a collection builds; large multipliers turn every word
// into up to 65,535 ticks, and a hostile configuration must not exhaust the memory.
inline constexpr std::uint64_t kMaxEntries = 1ull << 24;

// The sizes of the 0x72 requests, in order; request b starts at word b × 2048.
struct BlockPlan {
  std::vector<std::uint32_t> blocks;
  std::uint32_t words = 0;  // their sum
};
BlockPlan PlanBlocks(std::uint32_t stored, std::uint32_t capacity);

// The logger's channel schedule. Channel countdowns start at 1 and reload with the multiplier,
// so in a run that started with fresh countdowns a channel stores at tick n (1-based) exactly
// when (n - 1) is a multiple of its multiplier; every sum below follows from that.
class Schedule {
 public:
  explicit Schedule(const Programme& p);
  bool Enabled(int ch) const { return enabled_[ch]; }
  bool Stores(int ch, std::uint64_t tick) const {
    return enabled_[ch] && (tick - 1) % mult_[ch] == 0;
  }
  bool Any() const { return any_; }
  // Words stored during ticks 1..n.
  std::uint64_t StoredBy(std::uint64_t n) const;
  // The fewest ticks after tick `from` whose words reach `words` (0 for no words).
  std::uint64_t TicksFor(std::uint64_t from, std::uint64_t words) const;

 private:
  std::array<bool, harrowmeter::kChannels> enabled_{};
  std::array<std::uint64_t, harrowmeter::kChannels> mult_{};
  std::uint64_t maxMult_ = 1;
  bool any_ = false;
};

// Rebuilds the samples of `wordsRead` memory words into the data set, with `total` words written
// since the start. False when the memory yields no sample at all (the data set then has no
// arrays). `clock` gives the current year for event headers. At most `maxEntries` entries are
// built over all channels; the samples past them are left out.
bool BuildSamples(const Programme& p, const std::uint16_t* words, std::size_t wordsRead,
                  std::uint32_t total, const platform::Clock& clock, devices::CDevice& data,
                  std::uint64_t maxEntries = kMaxEntries);

// The start time of an event-mode block header (words 1 to 3 after the marker), with the year
// inferred from `now`; nothing when the fields are not a date and time.
std::optional<platform::DateTime> EventHeaderTime(std::uint16_t secTenths, std::uint16_t hourMin,
                                                  std::uint16_t monthDay, platform::DateTime now);

}  // namespace qg::collect
