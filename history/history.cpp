#include "history/history.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/clock.h"

namespace qg::history {
namespace {

std::string OpenErrorText(const std::string& file, const std::string& why) {
  return "Cannot open file \"" + file + "\". " + why;
}

// Whole bytes at `offset`, or false with errno.
bool WriteAll(int fd, std::uint64_t offset, const std::uint8_t* p, std::size_t n, int& errnum) {
  while (n > 0) {
    const ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(offset));
    if (w < 0) {
      if (errno == EINTR) continue;
      errnum = errno;
      return false;
    }
    if (w == 0) {
      errnum = ENOSPC;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
    offset += static_cast<std::uint64_t>(w);
  }
  return true;
}

// As many bytes as there are, up to n; -1 on error.
ssize_t ReadFull(int fd, std::uint8_t* p, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::read(fd, p + got, n - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return static_cast<ssize_t>(got);
}

double Pow10(int d) {
  static constexpr double kP[] = {1.0, 10.0, 100.0, 1000.0};
  return d >= 0 && d <= 3 ? kP[d] : std::pow(10.0, d);
}

std::int16_t Clamp16(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

}  // namespace

CHistory::~CHistory() {
  if (fd_ >= 0) ::close(fd_);  // also drops the writer's lock
}

bool CHistory::Append(const void* data, std::size_t size, int& errnum) {
  if (fd_ < 0 || mode_ == HistoryRead) {
    errnum = EBADF;
    return false;
  }
  if (!WriteAll(fd_, next_, static_cast<const std::uint8_t*>(data), size, errnum)) return false;
  next_ += size;
  return true;
}

void CHistory::ReportFailure(int errnum) const {
  if (onFailure_) onFailure_({FileName, errnum});
}

CHistory* HistoryList::Open(const HIST_ID& id, HistoryMode mode, std::string* error) {
  const auto fail = [&](const std::string& why, int fd) -> CHistory* {
    if (fd >= 0) ::close(fd);
    if (error) *error = OpenErrorText(id.FileName, why);
    return nullptr;
  };
  // Non-blocking so that a FIFO named as a history cannot hang the program; regular files only.
  int flags = O_CLOEXEC | O_NONBLOCK;
  if (mode == HistoryRead) flags |= O_RDONLY;
  else if (mode == HistoryAppend) flags |= O_WRONLY;
  else flags |= O_WRONLY | O_CREAT;  // truncated below, once the lock is ours
  const int fd = ::open(id.FileName.c_str(), flags, 0666);
  if (fd < 0) return fail(std::strerror(errno), -1);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(std::strerror(errno), fd);
  if (!S_ISREG(st.st_mode)) return fail("Not a regular file.", fd);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

  auto h = std::unique_ptr<CHistory>(new CHistory);
  h->mode_ = mode;
  h->fd_ = fd;
  h->DeviceNames = id.DeviceNames;
  h->ParamNames = id.ParamNames;
  h->Tags = id.Tags;
  h->Units = id.Units;
  h->FileName = id.FileName;
  h->ScanToSave = std::clamp(id.ScanToSave, kMinScanToSave, kMaxScanToSave);
  h->Countdown = 1;
  if (mode != HistoryRead) {
    // flock locks are honoured by every program that asks for one; readers never ask.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      h->fd_ = -1;
      return fail(errno == EWOULDBLOCK ? "The file is being written by another program."
                                       : std::strerror(errno),
                  fd);
    }
    if (mode == HistoryAppend && st.st_size > 0 && st.st_size < static_cast<off_t>(kDataOffset)) {
      // Too short for its channel blocks, yet not empty: not a history file, and somebody's
      // data that continuing would destroy.
      h->fd_ = -1;
      return fail("The file is not a history file.", fd);
    }
    if (mode == HistoryCreate || st.st_size == 0) {
      // An empty file (a recorder that never found its device) has no record to keep.
      if (::ftruncate(fd, 0) != 0) {
        h->fd_ = -1;
        return fail(std::strerror(errno), fd);
      }
      h->HeaderWritten = false;
      h->next_ = 0;
    } else {
      // After the last whole record: a record cut by a crash is written over.
      h->HeaderWritten = true;
      h->next_ = kDataOffset + RecordCount(static_cast<std::uint64_t>(st.st_size)) * kRecordSize;
    }
  }
  items_.push_back(std::move(h));
  return items_.back().get();
}

void HistoryList::Close(CHistory* history) {
  std::erase_if(items_, [&](const auto& h) { return h.get() == history; });
}

CHistory* OpenHistory(HistoryList& list, const HIST_ID& id, HistoryMode mode, std::string* error) {
  return list.Open(id, mode, error);
}

void CloseHistory(HistoryList& list, CHistory* history) {
  if (history) list.Close(history);
}

bool PensChanged(const CHistory& h, const HIST_ID& id) {
  return h.DeviceNames != id.DeviceNames || h.ParamNames != id.ParamNames ||
         h.FileName != id.FileName;
}

void SetScanToSave(CHistory& h, std::uint16_t seconds) {
  h.ScanToSave = std::clamp(seconds, kMinScanToSave, kMaxScanToSave);
}
std::uint16_t GetScanToSave(const CHistory& h) { return h.ScanToSave; }
const std::string& GetFileName(const CHistory& h) { return h.FileName; }

HistoryHeader IntervalOf(std::uint16_t seconds) {
  HistoryHeader h;
  h.Seconds = seconds;
  if (h.Seconds > 59) {
    h.Minutes = h.Seconds / 60;
    h.Seconds = h.Seconds % 60;
  }
  if (h.Minutes > 59) {
    h.Hours = h.Minutes / 60;
    h.Minutes = h.Minutes % 60;
  }
  return h;
}

void HistoryTick(HistoryList& list, const devices::DeviceList& devices,
                 const platform::Clock& clock) {
  for (std::size_t i = 0; i < list.Size(); ++i) {
    CHistory& h = *list.At(i);
    if (h.Mode() == HistoryRead) continue;
    if (h.Countdown > 0) --h.Countdown;
    if (h.Countdown == 0) {
      h.Countdown = std::max(h.ScanToSave, kMinScanToSave);
      WriteRecord(h, devices, clock);
    }
  }
}

std::int16_t RawOf(float value) {
  if (!std::isfinite(value)) return 0;
  const double t = std::trunc(static_cast<double>(value));
  // A register read as unsigned still has its 16 bits; anything beyond is held at the ends.
  if (t >= -32768.0 && t <= 65535.0) return static_cast<std::int16_t>(static_cast<std::uint16_t>(
      static_cast<std::int32_t>(t) & 0xFFFF));
  return t < 0 ? std::int16_t{-32768} : std::int16_t{32767};
}

bool WriteRecord(CHistory& h, const devices::DeviceList& devices, const platform::Clock& clock) {
  int errnum = 0;
  if (!h.HeaderWritten) {
    const devices::CDevice* first = nullptr;
    for (int k = 0; k < kChannels && !first; ++k) first = devices.Find(h.DeviceNames[k]);
    // Channel blocks without a header would shift every record: wait for a device instead.
    if (!first) return false;
    HistoryHeader header = IntervalOf(h.ScanToSave);
    header.DeviceType = first->DeviceType;
    header.Title = first->Title;
    header.FirmwareVersion = first->FirmwareVersion;
    header.SerialNumber = first->SerialNumber;
    std::vector<std::uint8_t> bytes(kDataOffset, 0);
    const auto hb = EncodeHeader(header);
    std::copy(hb.begin(), hb.end(), bytes.begin());
    for (int k = 0; k < kChannels; ++k) {
      HistoryChannelBlock b;
      if (const auto* d = devices.Find(h.DeviceNames[k])) {
        b.Present = 1;
        b.DeviceType = d->DeviceType;
        b.DeviceName = h.DeviceNames[k];
        b.ParamName = h.ParamNames[k];
        b.Tag = h.Tags[k];
        b.Unit = h.Units[k];
        b.DecimalPoint = d->DecimalPoint[k];
        b.InputType = d->InputType[k];
        b.LowLimit = d->LowLimit[k];
        b.HighLimit = d->HighLimit[k];
        b.Multiplier = d->Multiplier[k];
      }
      const auto bb = EncodeChannelBlock(b);
      std::copy(bb.begin(), bb.end(), bytes.begin() + kHeaderSize + k * kChannelBlockSize);
    }
    if (!h.Append(bytes.data(), bytes.size(), errnum)) {
      h.ReportFailure(errnum);
      return false;
    }
    h.HeaderWritten = true;
  }
  HistoryRecord r;
  r.Time = platform::TruncateToSeconds(clock.Now());
  for (int k = 0; k < kChannels; ++k) {
    const auto* d = devices.Find(h.DeviceNames[k]);
    const int p = d ? d->ParameterIndex(h.ParamNames[k]) : -1;
    if (p < 0 || static_cast<std::size_t>(p) >= d->Values.size() || d->Values[p].empty()) continue;
    r.Raw[k] = RawOf(d->Values[p][0]);
  }
  const auto bytes = EncodeRecord(r);
  if (!h.Append(bytes.data(), bytes.size(), errnum)) {
    h.ReportFailure(errnum);
    return false;
  }
  return true;
}

namespace {

int ReferenceChannel(const devices::CDevice& data) {
  int ref = 0;
  for (int k = 1; k < kChannels; ++k)
    if (data.Counts[k] > data.Counts[ref]) ref = k;
  return ref;
}

}  // namespace

HIST_ID HistIdOfDataSet(const std::string& fileName, const devices::CDevice& data) {
  HIST_ID id;
  id.FileName = fileName;
  for (int k = 0; k < kChannels; ++k) {
    if (data.Counts[k] > 0) {
      id.Tags[k] = data.Tags[k];
      id.Units[k] = data.Units[k];
    }
  }
  return id;
}

bool SaveGraph(const std::string& fileName, const devices::CDevice& data, std::string* error) {
  const HIST_ID id = HistIdOfDataSet(fileName, data);
  HistoryList list;
  CHistory* h = OpenHistory(list, id, HistoryCreate, error);
  if (!h) return false;
  const auto writeFailed = [&](int errnum) {
    if (error) *error = "Cannot write file \"" + fileName + "\". " + std::strerror(errnum);
    CloseHistory(list, h);
    return false;
  };

  const auto t = SafeDecode(data.BaseInterval);
  HistoryHeader header;
  header.DeviceType = data.SourceType;
  header.Title = data.Title;
  header.FirmwareVersion = data.FirmwareVersion;
  header.SerialNumber = data.SerialNumber;
  header.Hours = static_cast<std::uint16_t>(t.hour);
  header.Minutes = static_cast<std::uint16_t>(t.minute);
  header.Seconds = static_cast<std::uint16_t>(t.second);
  header.Milliseconds = static_cast<std::uint16_t>(t.millisecond);
  std::vector<std::uint8_t> buf(kDataOffset, 0);
  const auto hb = EncodeHeader(header);
  std::copy(hb.begin(), hb.end(), buf.begin());
  for (int k = 0; k < kChannels; ++k) {
    HistoryChannelBlock b;
    b.Present = data.Counts[k] > 0 ? 1 : 0;
    b.DeviceType = data.SourceType;
    b.Tag = id.Tags[k];
    b.Unit = id.Units[k];
    b.DecimalPoint = data.DecimalPoint[k];
    b.InputType = data.InputType[k];
    b.LowLimit = data.LowLimit[k];
    b.HighLimit = data.HighLimit[k];
    b.Multiplier = data.Multiplier[k];
    const auto bb = EncodeChannelBlock(b);
    std::copy(bb.begin(), bb.end(), buf.begin() + kHeaderSize + k * kChannelBlockSize);
  }
  int errnum = 0;
  if (!h->Append(buf.data(), buf.size(), errnum)) return writeFailed(errnum);

  const int ref = ReferenceChannel(data);
  const std::size_t n = data.Counts[ref];
  const bool refHasTimes = static_cast<std::size_t>(ref) < data.Times.size() &&
                           data.Times[ref].size() >= n;
  double scale[kChannels];
  const std::vector<float>* values[kChannels];
  for (int k = 0; k < kChannels; ++k) {
    scale[k] = Pow10(data.DecimalPoint[k]);
    values[k] = static_cast<std::size_t>(k) < data.Values.size() && !data.Values[k].empty()
                    ? &data.Values[k]
                    : nullptr;
  }
  constexpr std::size_t kBatch = 4096;
  buf.assign(kBatch * kRecordSize, 0);
  std::size_t inBuf = 0;
  for (std::size_t i = 0; i < n; ++i) {
    HistoryRecord r;
    r.Time = refHasTimes ? data.Times[ref][i] : 0.0;
    for (int k = 0; k < kChannels; ++k) {
      if (!values[k] || i >= values[k]->size()) continue;
      const float v = (*values[k])[i];
      r.Raw[k] = v == devices::kNoValue ? kNoValueRaw
                                        : Clamp16(std::round(static_cast<double>(v) * scale[k]));
    }
    const auto rb = EncodeRecord(r);
    std::copy(rb.begin(), rb.end(), buf.begin() + inBuf * kRecordSize);
    if (++inBuf == kBatch) {
      if (!h->Append(buf.data(), inBuf * kRecordSize, errnum)) return writeFailed(errnum);
      inBuf = 0;
    }
  }
  if (inBuf > 0 && !h->Append(buf.data(), inBuf * kRecordSize, errnum)) return writeFailed(errnum);
  CloseHistory(list, h);
  return true;
}

LoadResult LoadGraph(const std::string& fileName, const HistoryTexts& texts) {
  LoadResult result;
  HIST_ID id;
  id.FileName = fileName;
  HistoryList list;
  CHistory* h = OpenHistory(list, id, HistoryRead, &result.message);
  if (!h) return result;
  auto data = std::make_unique<devices::CDevice>();
  const auto invalid = [&]() {
    data->ErrorCode = 1;
    result.message = texts.invalidFormat;
    result.data = std::move(data);
    CloseHistory(list, h);
    return std::move(result);
  };

  std::vector<std::uint8_t> head(kDataOffset);
  const ssize_t got = ReadFull(h->Fd(), head.data(), head.size());
  if (got < static_cast<ssize_t>(kHeaderSize)) return invalid();
  const auto header = DecodeHeader(head.data());
  data->SourceType = header.DeviceType;
  data->Title = header.Title;
  data->FirmwareVersion = header.FirmwareVersion;
  data->SerialNumber = header.SerialNumber;
  data->ErrorCode = 0;
  if (!HeaderIntervalValid(header)) return invalid();
  data->BaseInterval =
      *platform::EncodeTime(header.Hours, header.Minutes, header.Seconds, header.Milliseconds);
  // Channel blocks that are not all there: refused rather than read past the end.
  if (got < static_cast<ssize_t>(kDataOffset)) return invalid();

  data->ChannelCount = kChannels;
  std::array<bool, kChannels> present{};
  for (int k = 0; k < kChannels; ++k) {
    const auto b = DecodeChannelBlock(head.data() + kHeaderSize + k * kChannelBlockSize);
    present[k] = b.Present == 1;
    // The position is 0 to 3; a larger one from a damaged file would scale every value to
    // nothing and could not be saved back.
    data->DecimalPoint[k] = std::min<std::uint8_t>(b.DecimalPoint, 3);
    data->Tags[k] = b.Tag;
    data->Units[k] = b.Unit;
    data->InputType[k] = b.InputType;
    data->LowLimit[k] = b.LowLimit;
    data->HighLimit[k] = b.HighLimit;
    data->Multiplier[k] = b.Multiplier;
  }

  struct stat st {};
  if (::fstat(h->Fd(), &st) != 0) {
    result.message = std::strerror(errno);
    CloseHistory(list, h);
    return result;
  }
  // Taken once: records that a recorder adds from now on are not part of this load.
  std::uint64_t n = RecordCount(static_cast<std::uint64_t>(st.st_size));
  n = std::min<std::uint64_t>(n, UINT32_MAX);

  std::array<std::uint32_t, kChannels> counts{};
  for (int k = 0; k < kChannels; ++k) counts[k] = present[k] ? static_cast<std::uint32_t>(n) : 0;
  try {
    data->Values.assign(kChannels, {});
    data->Times.assign(kChannels, {});
    for (int k = 0; k < kChannels; ++k) {
      data->Counts[k] = counts[k];
      if (!counts[k]) continue;
      data->Values[k].resize(counts[k]);
      data->Times[k].resize(counts[k]);
    }
  } catch (const std::bad_alloc&) {
    result.message = "Out of memory loading \"" + fileName + "\".";
    CloseHistory(list, h);
    return result;
  }

  int used[kChannels];
  float scale[kChannels];
  int nUsed = 0;
  for (int k = 0; k < kChannels; ++k) {
    if (!counts[k]) continue;
    used[nUsed++] = k;
    scale[k] = static_cast<float>(Pow10(data->DecimalPoint[k]));
  }

  constexpr std::size_t kChunkRecords = 8192;
  std::vector<std::uint8_t> chunk(kChunkRecords * kRecordSize);
  std::uint64_t i = 0;
  while (i < n) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkRecords, n - i));
    const ssize_t r = ReadFull(h->Fd(), chunk.data(), want * kRecordSize);
    const std::size_t whole = r > 0 ? static_cast<std::size_t>(r) / kRecordSize : 0;
    for (std::size_t j = 0; j < whole; ++j, ++i) {
      const std::uint8_t* rec = chunk.data() + j * kRecordSize;
      const double t = RecordTime(rec);
      for (int u = 0; u < nUsed; ++u) {
        const int k = used[u];
        const std::int16_t raw = RecordRaw(rec, k);
        data->Times[k][i] = t;
        data->Values[k][i] =
            raw == kNoValueRaw ? devices::kNoValue : static_cast<float>(raw) / scale[k];
      }
    }
    if (whole < want) {
      // The file shrank under us (or a read failed): keep the records that were read whole.
      for (int k = 0; k < kChannels; ++k) {
        if (!counts[k]) continue;
        data->Counts[k] = static_cast<std::uint32_t>(i);
        data->Values[k].resize(i);
        data->Times[k].resize(i);
      }
      break;
    }
  }

  for (int k = 0; k < kChannels; ++k) {
    if (!present[k]) continue;
    if (data->Counts[k] > 0) {
      data->FirstAcquisition = data->Times[k].front();
      data->LastAcquisition = data->Times[k].back();
    }
    break;
  }
  CloseHistory(list, h);
  result.data = std::move(data);
  return result;
}

std::optional<HistoryFileInfo> ReadHistoryInfo(const std::string& fileName, std::string& message,
                                               const HistoryTexts& texts) {
  HIST_ID id;
  id.FileName = fileName;
  HistoryList list;
  CHistory* h = OpenHistory(list, id, HistoryRead, &message);
  if (!h) return std::nullopt;
  std::vector<std::uint8_t> head(kDataOffset);
  struct stat st {};
  if (ReadFull(h->Fd(), head.data(), head.size()) != static_cast<ssize_t>(kDataOffset) ||
      ::fstat(h->Fd(), &st) != 0) {
    message = texts.invalidFormat;
    return std::nullopt;
  }
  HistoryFileInfo info;
  info.header = DecodeHeader(head.data());
  if (!HeaderIntervalValid(info.header)) {
    message = texts.invalidFormat;
    return std::nullopt;
  }
  for (int k = 0; k < kChannels; ++k)
    info.blocks[k] = DecodeChannelBlock(head.data() + kHeaderSize + k * kChannelBlockSize);
  info.fileSize = static_cast<std::uint64_t>(st.st_size);
  info.records = RecordCount(info.fileSize);
  RecordBytes rec{};
  if (info.records > 0 &&
      ::pread(h->Fd(), rec.data(), kRecordSize, static_cast<off_t>(kDataOffset)) ==
          static_cast<ssize_t>(kRecordSize))
    info.firstTime = RecordTime(rec.data());
  if (info.records > 0 &&
      ::pread(h->Fd(), rec.data(), kRecordSize,
              static_cast<off_t>(kDataOffset + (info.records - 1) * kRecordSize)) ==
          static_cast<ssize_t>(kRecordSize))
    info.lastTime = RecordTime(rec.data());
  return info;
}

}  // namespace qg::history
