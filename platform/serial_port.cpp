#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "platform/profile.h"

namespace qg::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

long long MsSince(SteadyClock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - t).count();
}

speed_t SpeedConstant(std::uint32_t baud) {
  switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
  }
}

}  // namespace

bool ParseComName(const std::string& name, int& number) {
  if (name.size() < 4 || name.size() > 5) return false;
  for (int i = 0; i < 3; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return false;
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    n = n * 10 + (name[i] - '0');
  }
  number = n;
  return true;
}

PortMap PortMap::FromProfile(const ProfileFile& settings) {
  PortMap map;
  for (const auto& key : settings.Keys("Ports")) {
    int n = 0;
    if (ParseComName(key, n)) {
      const std::string path = settings.GetString("Ports", key, "");
      // The first of two keys for one port wins, as with every profile key.
      if (!path.empty() && map.paths_.find(n) == map.paths_.end()) map.Set(n, path);
    }
  }
  return map;
}

std::string PortMap::PathOf(int number) const {
  if (number < 1) return {};
  if (auto it = paths_.find(number); it != paths_.end()) return it->second;
  return "/dev/ttyS" + std::to_string(number - 1);
}

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, std::string& error) {
  if (path.empty()) {
    error = "no such port";
    return nullptr;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (!::isatty(fd)) {
    error = path + ": not a serial device";
    ::close(fd);
    return nullptr;
  }
  // flock keeps out every other program that opens the port through this layer, root included;
  // TIOCEXCL keeps out ordinary programs that do not lock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = path + ": " + (errno == EWOULDBLOCK ? std::string("in use by another program")
                                                 : std::string(std::strerror(errno)));
    ::close(fd);
    return nullptr;
  }
  ::ioctl(fd, TIOCEXCL);
  return std::unique_ptr<SerialPort>(new SerialPort(fd, path));
}

SerialPort::~SerialPort() {
  // The exclusive flag outlives this descriptor when another one stays open (a simulator holds
  // its pseudo-terminal), so it is cleared before closing.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
}

bool SerialPort::Configure(const LineSettings& line, std::string& error) {
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) {
    error = path_ + ": " + std::strerror(errno);
    return false;
  }
  const speed_t speed = SpeedConstant(line.baud);
  if (speed == B0) {
    error = path_ + ": unsupported baud rate " + std::to_string(line.baud);
    return false;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | IGNBRK | BRKINT);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    error = path_ + ": " + std::strerror(errno);
    return false;
  }
  SetDtr(true);
  return true;
}

bool SerialPort::Write(const std::uint8_t* bytes, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd_, bytes + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno == EAGAIN) {
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, 1000) <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        return false;
      continue;
    }
    return false;
  }
  return true;
}

std::size_t SerialPort::Read(std::uint8_t* bytes, std::size_t n) {
  const auto begin = SteadyClock::now();
  const long long total =
      static_cast<long long>(timeouts_.totalPerByteMs) * static_cast<long long>(n) +
      timeouts_.totalConstantMs;
  const bool hasTotal = timeouts_.totalPerByteMs != 0 || timeouts_.totalConstantMs != 0;
  std::size_t got = 0;
  auto lastByte = begin;
  while (got < n) {
    // How long we may still wait for the next byte; at or below zero a time-out has run out,
    // but bytes that arrived while this thread was not running still count, so the driver's
    // queue is looked at once more before giving up.
    std::optional<long long> wait;  // none: no limit
    if (hasTotal) wait = total - MsSince(begin);
    if (got > 0 && timeouts_.intervalMs != 0) {
      const long long gap = static_cast<long long>(timeouts_.intervalMs) - MsSince(lastByte);
      wait = wait ? std::min(*wait, gap) : gap;
    }
    const bool expired = wait && *wait <= 0;
    pollfd p{fd_, POLLIN, 0};
    const int timeoutMs =
        expired ? 0 : (wait ? static_cast<int>(std::min<long long>(*wait, 1 << 30)) : -1);
    const int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;  // a failed wait ends the read, never spins
    }
    if (r == 0) {
      if (expired) break;
      continue;  // the loop head decides which time-out ran out
    }
    if ((p.revents & POLLIN) == 0) break;  // hang-up or error: nothing more will come
    const ssize_t k = ::read(fd_, bytes + got, n - got);
    if (k > 0) {
      got += static_cast<std::size_t>(k);
      lastByte = SteadyClock::now();
    } else if (k < 0 && (errno == EINTR || errno == EAGAIN)) {
      if (expired) break;
    } else {
      break;
    }
  }
  return got;
}

bool SerialPort::WaitTransmitEmpty() { return ::tcdrain(fd_) == 0; }
void SerialPort::PurgeReceive() { ::tcflush(fd_, TCIFLUSH); }
void SerialPort::PurgeTransmit() { ::tcflush(fd_, TCOFLUSH); }

void SerialPort::SetRts(bool on) {
  int bits = TIOCM_RTS;
  ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
}

void SerialPort::SetDtr(bool on) {
  int bits = TIOCM_DTR;
  ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
}

}  // namespace qg::platform
