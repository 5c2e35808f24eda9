#include "serial/link.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

namespace qg::serial {
namespace {

constexpr std::size_t kReplyArea = 65535;

std::uint16_t Be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t Be32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

void PutBe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

void PutBe32(std::uint8_t* p, std::uint32_t v) {
  PutBe16(p, v >> 16);
  PutBe16(p + 2, v);
}

bool IsException(std::uint8_t function) {
  return function == 0x83 || function == 0x85 || function == 0x86 || function == 0xF2;
}

}  // namespace

BaudTimeouts TimeoutsForBaud(std::uint32_t baud) {
  switch (baud) {
    case 1200: return {640, 32, 48, 8};
    case 2400: return {320, 16, 24, 3};
    case 4800: return {160, 8, 12, 2};
    case 9600: return {80, 4, 6, 1};
    case 19200: return {40, 3, 3, 1};
    default: return {40, 3, 3, 0};
  }
}

std::uint32_t ProgrammedBaud(std::uint32_t baud) {
  switch (baud) {
    case 1200:
    case 2400:
    case 4800:
    case 9600: return baud;
    default: return 19200;
  }
}

std::uint16_t TotalConstantMs(std::uint32_t baud, std::int32_t extra) {
  const std::int32_t constant = static_cast<std::int32_t>(TimeoutsForBaud(baud).constantMs);
  const std::int32_t clamped = std::clamp<std::int32_t>(extra, 0, 65535 - constant);
  return static_cast<std::uint16_t>(constant + clamped);
}

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t n) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) {
      const bool out = (crc & 1) != 0;
      crc >>= 1;
      if (out) crc ^= 0xA001;
    }
  }
  return crc;
}

bool FrameSizesFor(const DRVPAR& par, FrameSizes& out) {
  const std::uint64_t count = par.count;
  std::uint64_t a = 8;
  std::uint64_t c = 8;
  switch (par.function) {
    case 3: c = 2 * count + 5; break;
    case 0x72:
      a = 12;
      c = 2 * count + 8;
      break;
    default: break;  // 5, 6 and any other code take the 8-byte write form
  }
  if (a + c > kReplyArea) return false;
  out = {static_cast<std::size_t>(a), static_cast<std::size_t>(c)};
  return true;
}

Link::Link(LinkVariant variant, const platform::PortMap& ports, const platform::Clock& clock)
    : variant_(variant), ports_(ports), clock_(clock), reply_(kReplyArea, 0) {}

Link::~Link() = default;

std::uint8_t Link::OpenPort(DRVPAR* par) {
  openError_.clear();
  // Reopening replaces the old handle; keeping it would hold the port against ourselves.
  port_.reset();
  const std::string path = ports_.PathOf(par->port);
  if (path.empty()) {
    openError_ = "COM" + std::to_string(par->port) + ": no such port";
    return 1;
  }
  auto port = platform::SerialPort::Open(path, openError_);
  if (!port) return 1;
  const std::uint32_t programmed = ProgrammedBaud(par->baud);
  // A port that cannot be set up is closed again rather than kept half-open.
  if (!port->Configure(platform::LineSettings{programmed}, openError_)) return 1;

  baud_ = par->baud;
  extraTimeout_ = variant_ == LinkVariant::Harrowcfg ? 100 : par->timeout;
  port->SetRts(false);
  port->PurgeTransmit();
  port->PurgeReceive();
  const BaudTimeouts t = TimeoutsForBaud(par->baud);
  port->SetTimeouts({t.intervalMs, t.perByteMs, TotalConstantMs(par->baud, extraTimeout_)});
  port_ = std::move(port);
  return 0;
}

bool Link::ClosePort() {
  // The handle is forgotten with the close, so a later transaction is refused as not connected.
  const bool had = port_ != nullptr;
  port_.reset();
  return had;
}

bool Link::DDM_OpenDriver(std::uint8_t port, std::uint16_t baud) {
  par_.port = static_cast<std::int8_t>(port);
  par_.baud = baud;
  openFlag_ = OpenPort(&par_) == 0;
  return openFlag_;
}

void Link::DDM_CloseDriver() {
  ClosePort();
  openFlag_ = false;
}

std::uint8_t Link::ReadWords() { return Transact(false); }

std::uint8_t Link::WriteWords() {
  // Nothing in Quillgraph writes through this entry; it keeps its historical no-op there.
  if (variant_ == LinkVariant::Quillgraph) return 0;
  return Transact(true);
}

std::uint8_t Link::Transact(bool writeFrame) {
  std::uint8_t error = kErrNone;
  FrameSizes sizes{};
  if (port_ == nullptr) {
    // Harrowcfg refuses before sending; Quillgraph's callers test the open flag, and a stray
    // transaction on a closed port ends as the unanswered request it is.
    error = variant_ == LinkVariant::Harrowcfg ? kErrNotOpen : kErrTimeout;
  } else if (!FrameSizesFor(par_, sizes)) {
    error = kErrByteCount;  // the reply could not be received whole
  } else {
    if (writeFrame) sizes.request = 8;
    port_->PurgeTransmit();
    port_->PurgeReceive();

    std::size_t n = 0;
    frame_[n++] = static_cast<std::uint8_t>(par_.address);
    frame_[n++] = static_cast<std::uint8_t>(par_.function);
    if (par_.function == 0x72 && !writeFrame) {
      PutBe32(&frame_[n], par_.start);
      PutBe32(&frame_[n + 4], par_.count);
      n += 8;
    } else {
      PutBe16(&frame_[n], par_.start);
      const bool sendsValue = writeFrame || par_.function != 3;
      PutBe16(&frame_[n + 2], sendsValue ? par_.value : par_.count);
      n += 4;
    }
    const std::uint16_t crc = Crc16(frame_.data(), n);
    frame_[n++] = static_cast<std::uint8_t>(crc);
    frame_[n++] = static_cast<std::uint8_t>(crc >> 8);

    port_->SetRts(true);
    port_->Write(frame_.data(), n);
    port_->WaitTransmitEmpty();  // a failed wait ends it: the wait never spins
    const std::uint32_t guard = TimeoutsForBaud(baud_).guardMs;
    if (guard != 0) {
      // RTS must drop right after the last stop bit, before the instrument answers: a busy
      // wait, bounded by the steady clock in case the tick source does not move.
      const auto t0 = clock_.TickMs();
      const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(guard + 20);
      while (clock_.TickMs() - t0 < guard && std::chrono::steady_clock::now() < limit) {
      }
    }
    port_->SetRts(false);
    error = Receive(sizes);
  }
  par_.result = error;
  return error == kErrNone ? 0 : 1;
}

std::uint8_t Link::Receive(const FrameSizes& sizes) {
  const std::size_t c = sizes.reply;
  const std::size_t got = port_->Read(reply_.data(), sizes.request + c);
  if (got < c) return kErrTimeout;
  // Whatever came ahead of the last c bytes is the echo of the request on a two-wire line.
  std::memmove(reply_.data(), reply_.data() + (got - c), c);
  if (variant_ == LinkVariant::Harrowcfg && par_.function == 3 &&
      reply_[2] != 2 * static_cast<std::uint64_t>(par_.count))
    return kErrTimeout;
  return Check(c);
}

std::uint8_t Link::Check(std::size_t c) {
  const std::uint8_t* r = reply_.data();
  const std::uint16_t crc = Crc16(r, c - 2);
  if (r[c - 2] != static_cast<std::uint8_t>(crc) || r[c - 1] != static_cast<std::uint8_t>(crc >> 8))
    return kErrCrc;
  if (r[0] != static_cast<std::uint8_t>(par_.address)) return kErrAddress;

  const std::uint8_t function = r[1];
  // Values go only into a buffer offered for this very request.
  if ((function == 3 || function == 0x72) && function != par_.function) return kErrFunction;
  switch (function) {
    case 3: {
      const std::uint32_t n = r[2];
      if (n == 0) return kErrByteCount;
      const std::uint32_t words = n / 2;
      // A reply announcing more than was asked cannot be whole within c bytes: refused, so
      // that nothing lands beyond the caller's `count` words.
      if (words > par_.count) return kErrByteCount;
      if (par_.data != nullptr)
        for (std::uint32_t i = 0; i < words; ++i) par_.data[i] = Be16(r + 3 + 2 * i);
      return kErrNone;
    }
    case 5: {
      const std::uint16_t v = Be16(r + 4);
      return v == 0xFF00 || v == 0x0000 ? kErrNone : kErrValue;
    }
    case 6:
      if (Be16(r + 2) > 255) return kErrRegister;
      return Be16(r + 4) == par_.value ? kErrNone : kErrValue;
    case 0x72: {
      const std::uint32_t words = Be32(r + 2);
      if (words == 0 || words > par_.count) return kErrByteCount;
      if (par_.data != nullptr)
        for (std::uint32_t i = 0; i < words; ++i) par_.data[i] = Be16(r + 6 + 2 * i);
      return kErrNone;
    }
    default:
      return IsException(function) ? kErrException : kErrFunction;
  }
}

}  // namespace qg::serial
