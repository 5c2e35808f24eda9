#include "sim/rtu_slave.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "serial/link.h"

namespace qg::sim {
namespace {

using SteadyClock = std::chrono::steady_clock;

std::uint32_t BaudOfSpeed(speed_t s) {
  switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
  }
}

void PutBe16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
std::uint32_t Be32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(Be16(p)) << 16) | Be16(p + 2);
}

}  // namespace

std::uint8_t RegisterBank::ReadRegisters(std::uint16_t start, std::uint16_t count,
                                         std::vector<std::uint16_t>& out) {
  std::lock_guard lock(mu_);
  if (static_cast<std::size_t>(start) + count > regs_.size()) return kExIllegalAddress;
  out.assign(regs_.begin() + start, regs_.begin() + start + count);
  return 0;
}

std::uint8_t RegisterBank::WriteRegister(std::uint16_t reg, std::uint16_t value,
                                         std::uint16_t& echoed) {
  std::lock_guard lock(mu_);
  if (reg >= regs_.size()) return kExIllegalAddress;
  regs_[reg] = value;
  echoed = value;
  return 0;
}

std::uint8_t RegisterBank::ReadMemory(std::uint32_t start, std::uint32_t count,
                                      std::vector<std::uint16_t>& out) {
  std::lock_guard lock(mu_);
  if (static_cast<std::uint64_t>(start) + count > memory_.size()) return kExIllegalAddress;
  out.assign(memory_.begin() + start, memory_.begin() + start + count);
  return 0;
}

void RegisterBank::Set(std::size_t reg, std::uint16_t v) {
  std::lock_guard lock(mu_);
  if (reg < regs_.size()) regs_[reg] = v;
}

std::uint16_t RegisterBank::Get(std::size_t reg) const {
  std::lock_guard lock(mu_);
  return reg < regs_.size() ? regs_[reg] : 0;
}

void RegisterBank::SetMemory(std::size_t word, std::uint16_t v) {
  std::lock_guard lock(mu_);
  if (word < memory_.size()) memory_[word] = v;
}

RtuSlave::RtuSlave() {
  if (::pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0) wakeFd_[0] = wakeFd_[1] = -1;
}

RtuSlave::~RtuSlave() {
  Stop();
  if (!device_ && masterFd_ >= 0) ::close(masterFd_);
  if (keepSlaveFd_ >= 0) ::close(keepSlaveFd_);
  for (int fd : wakeFd_)
    if (fd >= 0) ::close(fd);
}

bool RtuSlave::OpenPty(std::string& error) {
  const int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m < 0 || ::grantpt(m) != 0 || ::unlockpt(m) != 0) {
    error = std::string("pseudo-terminal: ") + std::strerror(errno);
    if (m >= 0) ::close(m);
    return false;
  }
  char name[128];
  if (::ptsname_r(m, name, sizeof name) != 0) {
    error = std::string("pseudo-terminal: ") + std::strerror(errno);
    ::close(m);
    return false;
  }
  // Holding the slave side open keeps the line alive between the master's opens, and lets us
  // read the speed the master programmed.
  const int s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (s < 0) {
    error = std::string(name) + ": " + std::strerror(errno);
    ::close(m);
    return false;
  }
  termios tio{};
  ::tcgetattr(s, &tio);
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  ::tcsetattr(s, TCSANOW, &tio);
  ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
  masterFd_ = m;
  keepSlaveFd_ = s;
  path_ = name;
  return true;
}

bool RtuSlave::OpenDevice(const std::string& path, std::string& error) {
  auto port = platform::SerialPort::Open(path, error);
  if (!port || !port->Configure(platform::LineSettings{baud_.load()}, error)) return false;
  masterFd_ = port->Fd();
  device_ = std::move(port);
  path_ = path;
  return true;
}

void RtuSlave::AddDevice(std::uint8_t address, std::shared_ptr<SlaveDevice> device) {
  std::lock_guard lock(mu_);
  devices_[address] = std::move(device);
}

void RtuSlave::SetBaud(std::uint32_t baud) {
  baud_ = baud;
  if (device_) {
    std::string error;
    device_->Configure(platform::LineSettings{baud}, error);
  }
}

void RtuSlave::SetFaults(const FaultModes& f) {
  std::lock_guard lock(mu_);
  faults_ = f;
}

FaultModes RtuSlave::Faults() const {
  std::lock_guard lock(mu_);
  return faults_;
}

std::vector<std::vector<std::uint8_t>> RtuSlave::Requests() const {
  std::lock_guard lock(mu_);
  return requests_;
}

void RtuSlave::ChangeAddress(std::uint8_t from, std::uint8_t to) {
  std::lock_guard lock(mu_);
  auto it = devices_.find(from);
  if (it == devices_.end() || from == to) return;
  auto dev = it->second;
  devices_.erase(it);
  devices_[to] = std::move(dev);
}

void RtuSlave::ChangeBaud(std::uint32_t baud) { SetBaud(baud); }

void RtuSlave::Start() {
  if (thread_.joinable() || masterFd_ < 0) return;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

void RtuSlave::Stop() {
  stop_ = true;
  if (wakeFd_[1] >= 0) {
    const char b = 1;
    [[maybe_unused]] auto r = ::write(wakeFd_[1], &b, 1);
  }
  if (thread_.joinable()) thread_.join();
}

std::uint32_t RtuSlave::SilenceMs() const {
  // 3.5 characters of 10 bits, but never below what a scheduler's hiccup could look like.
  const std::uint32_t chars = (35000 + baud_.load() - 1) / baud_.load();
  return std::max<std::uint32_t>(chars, 3);
}

bool RtuSlave::LineSpeedMatches() const {
  if (keepSlaveFd_ < 0) return true;
  termios tio{};
  if (::tcgetattr(keepSlaveFd_, &tio) != 0) return true;
  // A master at another rate would only see garbage; on a pseudo-terminal we answer nothing.
  return BaudOfSpeed(::cfgetospeed(&tio)) == baud_.load();
}

void RtuSlave::Run() {
  std::vector<std::uint8_t> frame;
  auto lastByte = SteadyClock::now();
  while (!stop_) {
    int waitMs = 5;
    if (!frame.empty()) {
      const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
                             SteadyClock::now() - lastByte)
                             .count();
      const long left = static_cast<long>(SilenceMs()) - since;
      if (left <= 0) {
        Handle(frame);
        frame.clear();
        continue;
      }
      waitMs = static_cast<int>(std::min<long>(left, 5));
    }
    pollfd fds[2] = {{masterFd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
    const int r = ::poll(fds, wakeFd_[0] >= 0 ? 2 : 1, waitMs);
    if (r > 0 && (fds[0].revents & POLLIN) != 0) {
      std::uint8_t buf[4096];
      const ssize_t n = ::read(masterFd_, buf, sizeof buf);
      if (n > 0) {
        frame.insert(frame.end(), buf, buf + n);
        lastByte = SteadyClock::now();
        if (frame.size() > 512) frame.clear();  // noise, not a request
      }
    } else if (r > 0 && (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
      // No master on the line just now; wait for one without spinning.
      ::poll(nullptr, 0, 5);
    }
    std::vector<std::shared_ptr<SlaveDevice>> devices;
    {
      std::lock_guard lock(mu_);
      for (auto& [address, dev] : devices_) devices.push_back(dev);
    }
    for (auto& d : devices) d->Idle();
  }
}

void RtuSlave::Handle(const std::vector<std::uint8_t>& frame) {
  if (frame.size() < 4) return;
  const std::uint16_t crc = serial::Crc16(frame.data(), frame.size() - 2);
  if (frame[frame.size() - 2] != static_cast<std::uint8_t>(crc) ||
      frame[frame.size() - 1] != static_cast<std::uint8_t>(crc >> 8))
    return;
  if (!LineSpeedMatches()) return;

  const std::uint8_t address = frame[0];
  const std::uint8_t function = frame[1];
  std::shared_ptr<SlaveDevice> device;
  FaultModes faults;
  {
    std::lock_guard lock(mu_);
    requests_.push_back(frame);
    if (auto it = devices_.find(address); it != devices_.end()) device = it->second;
    faults = faults_;
  }
  if (!device || faults.silent) return;

  std::vector<std::uint8_t> reply{address};
  auto exception = [&](std::uint8_t code) {
    reply.resize(1);
    reply.push_back(static_cast<std::uint8_t>(function | 0x80));
    reply.push_back(code);
  };
  std::vector<std::uint16_t> words;
  if (faults.exception >= 0) {
    exception(static_cast<std::uint8_t>(faults.exception));
  } else if (function == 3 && frame.size() == 8) {
    const std::uint16_t start = Be16(&frame[2]);
    const std::uint16_t count = Be16(&frame[4]);
    std::uint8_t ex = count == 0 || count > 125 ? kExIllegalValue : 0;
    if (ex == 0) ex = device->ReadRegisters(start, count, words);
    if (ex != 0 || words.size() != count) {
      exception(ex != 0 ? ex : static_cast<std::uint8_t>(kExIllegalAddress));
    } else {
      reply.push_back(3);
      reply.push_back(static_cast<std::uint8_t>(2 * count + faults.byteCountDelta));
      for (auto w : words) PutBe16(reply, w);
    }
  } else if (function == 6 && frame.size() == 8) {
    const std::uint16_t reg = Be16(&frame[2]);
    const std::uint16_t value = Be16(&frame[4]);
    std::uint16_t echoed = value;
    const std::uint8_t ex = device->WriteRegister(reg, value, echoed);
    if (ex != 0) {
      exception(ex);
    } else {
      reply.push_back(6);
      PutBe16(reply, faults.echoRegister >= 0 ? static_cast<std::uint32_t>(faults.echoRegister) : reg);
      PutBe16(reply, faults.wrongEcho >= 0 ? static_cast<std::uint32_t>(faults.wrongEcho) : echoed);
    }
  } else if (function == 0x72 && frame.size() == 12) {
    const std::uint32_t start = Be32(&frame[2]);
    const std::uint32_t count = Be32(&frame[6]);
    std::uint8_t ex = count == 0 || count > 32000 ? kExIllegalValue : 0;
    if (ex == 0) ex = device->ReadMemory(start, count, words);
    if (ex != 0 || words.size() != count) {
      exception(ex != 0 ? ex : static_cast<std::uint8_t>(kExIllegalAddress));
    } else {
      reply.push_back(0x72);
      const std::uint32_t announced = count + static_cast<std::uint32_t>(faults.wordCountDelta);
      PutBe16(reply, announced >> 16);
      PutBe16(reply, announced);
      for (auto w : words) PutBe16(reply, w);
    }
  } else {
    exception(kExIllegalFunction);
  }
  if (faults.replyFunction >= 0) reply[1] = static_cast<std::uint8_t>(faults.replyFunction);
  if (faults.foreignAddress >= 0) reply[0] = static_cast<std::uint8_t>(faults.foreignAddress);
  const std::uint16_t rc = serial::Crc16(reply.data(), reply.size());
  reply.push_back(static_cast<std::uint8_t>(rc ^ (faults.corruptCrc ? 0x01 : 0x00)));
  reply.push_back(static_cast<std::uint8_t>(rc >> 8));

  const auto until = SteadyClock::now() + std::chrono::milliseconds(faults.delayMs);
  while (!stop_ && SteadyClock::now() < until) ::poll(nullptr, 0, 1);
  if (faults.echo) Send(frame);
  Send(reply);
  ++answered_;
  device->AfterReply(address, *this);
}

void RtuSlave::Send(const std::vector<std::uint8_t>& bytes) {
  const bool paced = Faults().lineTiming;
  const auto t0 = SteadyClock::now();
  const double usPerByte = 10.0 * 1e6 / baud_.load();
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t chunk = paced ? 1 : bytes.size() - i;
    const ssize_t n = ::write(masterFd_, bytes.data() + i, chunk);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{masterFd_, POLLOUT, 0};
      if (::poll(&p, 1, 100) < 0 || stop_) return;
      continue;
    }
    if (n <= 0) return;
    i += static_cast<std::size_t>(n);
    if (paced) {
      const auto due = t0 + std::chrono::microseconds(static_cast<long>(usPerByte * i));
      std::this_thread::sleep_until(due);
    }
  }
}

}  // namespace qg::sim
