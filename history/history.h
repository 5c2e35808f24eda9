#pragma once
// History files: the recorder of a monitor window, the writer of a whole file graph and the
// reader that loads one. The in-memory data set is a CDevice used as a container.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devices/device.h"
#include "history/history_file.h"
#include "history/texts.h"

namespace qg::platform {
class Clock;
}

namespace qg::history {

enum HistoryMode { HistoryRead = 0, HistoryAppend = 1, HistoryCreate = 2 };

inline constexpr std::uint16_t kMinScanToSave = 1;
inline constexpr std::uint16_t kMaxScanToSave = 36000;

struct HIST_ID {
  std::array<std::string, kChannels> DeviceNames{};
  std::array<std::string, kChannels> ParamNames{};
  std::array<std::string, kChannels> Tags{};
  std::array<std::string, kChannels> Units{};
  std::string FileName;
  std::uint16_t ScanToSave = 5;
};

// What a recorder reports when a write fails or is cut short; errnum is the system's error.
struct WriteFailure {
  std::string fileName;
  int errnum = 0;
};

class CHistory {
 public:
  CHistory(const CHistory&) = delete;
  CHistory& operator=(const CHistory&) = delete;
  ~CHistory();

  std::array<std::string, kChannels> DeviceNames{};
  std::array<std::string, kChannels> ParamNames{};
  std::array<std::string, kChannels> Tags{};
  std::array<std::string, kChannels> Units{};
  std::string FileName;
  std::uint16_t ScanToSave = 5;
  std::uint16_t Countdown = 1;
  bool HeaderWritten = false;

  HistoryMode Mode() const { return mode_; }
  int Fd() const { return fd_; }
  // Where the next write of a writer goes. It moves only after a whole write, so a write that
  // failed half way is written again over its own remains.
  std::uint64_t NextOffset() const { return next_; }

  // Writes all of `data` at NextOffset(); false (with the system error) when any of it failed.
  bool Append(const void* data, std::size_t size, int& errnum);

  // Called on every failed or short write of a record or header.
  void SetWriteFailureHandler(std::function<void(const WriteFailure&)> handler) {
    onFailure_ = std::move(handler);
  }
  void ReportFailure(int errnum) const;

 private:
  friend class HistoryList;
  CHistory() = default;
  HistoryMode mode_ = HistoryRead;
  int fd_ = -1;
  std::uint64_t next_ = 0;
  std::function<void(const WriteFailure&)> onFailure_;
};

// Every live CHistory, in creation order. Owns them.
class HistoryList {
 public:
  // Nothing (with a system error text in `error`) when the file cannot be opened or created,
  // or when another writer holds it.
  CHistory* Open(const HIST_ID& id, HistoryMode mode, std::string* error = nullptr);
  void Close(CHistory* history);
  std::size_t Size() const { return items_.size(); }
  CHistory* At(std::size_t i) { return i < items_.size() ? items_[i].get() : nullptr; }

 private:
  std::vector<std::unique_ptr<CHistory>> items_;
};

CHistory* OpenHistory(HistoryList& list, const HIST_ID& id, HistoryMode mode,
                      std::string* error = nullptr);
// A null history does nothing.
void CloseHistory(HistoryList& list, CHistory* history);

bool PensChanged(const CHistory& history, const HIST_ID& id);
// Held to 1..36000: a zero would never count down to a record.
void SetScanToSave(CHistory& history, std::uint16_t seconds);
std::uint16_t GetScanToSave(const CHistory& history);
const std::string& GetFileName(const CHistory& history);

// The base interval fields of a recorder that records every `seconds` seconds.
HistoryHeader IntervalOf(std::uint16_t seconds);

// One second of the history timer over every recorder of the list.
void HistoryTick(HistoryList& list, const devices::DeviceList& devices,
                 const platform::Clock& clock);

// One recorder step; false when nothing could be written this time (reported to the handler,
// except when no pen names a device yet: then the file waits, empty, for one).
bool WriteRecord(CHistory& history, const devices::DeviceList& devices,
                 const platform::Clock& clock);

// A value as a recorder stores it: truncated toward zero, kept in 16 bits.
std::int16_t RawOf(float value);

// The description a whole-file save or an export is made from: the file name, and the tag and
// unit of every channel that holds samples.
HIST_ID HistIdOfDataSet(const std::string& fileName, const devices::CDevice& data);

bool SaveGraph(const std::string& fileName, const devices::CDevice& data,
               std::string* error = nullptr);

struct LoadResult {
  // Null when the file could not be opened; otherwise ErrorCode says whether it was valid.
  std::unique_ptr<devices::CDevice> data;
  // The text to show: the invalid-format message or the system error; empty after a good load.
  std::string message;
};
LoadResult LoadGraph(const std::string& fileName, const HistoryTexts& texts = {});

// A file's description as it is on disk, without its samples: for listing what a file holds.
struct HistoryFileInfo {
  HistoryHeader header;
  std::array<HistoryChannelBlock, kChannels> blocks{};
  std::uint64_t fileSize = 0;
  std::uint64_t records = 0;
  platform::DateTime firstTime = 0, lastTime = 0;  // of the first and last whole record
};
// Nothing, with the invalid-format message or the system error, when the file is not one.
std::optional<HistoryFileInfo> ReadHistoryInfo(const std::string& fileName, std::string& message,
                                               const HistoryTexts& texts = {});

}  // namespace qg::history
