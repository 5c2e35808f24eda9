#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/serial_port.h"

namespace qg::platform {
namespace {

void HoldThread(int) {
  // The reading thread is kept off the processor, as a busy machine does.
  timespec t{0, 300'000'000};
  nanosleep(&t, nullptr);
}

// Bytes that arrived while the reader was not running were sent without a gap: the interval
// time-out must not end the read before they are taken.
TEST(SerialPortRead, BytesQueuedWhileTheReaderWasHeldStillCount) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  std::string error;
  auto port = SerialPort::Open(::ptsname(master), error);
  ASSERT_TRUE(port) << error;
  ASSERT_TRUE(port->Configure({9600}, error)) << error;
  port->SetTimeouts({20, 0, 2000});

  struct sigaction sa {};
  sa.sa_handler = HoldThread;
  ASSERT_EQ(::sigaction(SIGUSR1, &sa, nullptr), 0);  // no SA_RESTART: poll is interrupted
  const pthread_t reader = ::pthread_self();
  std::thread writer([&] {
    const std::uint8_t a[4] = {1, 2, 3, 4}, b[4] = {5, 6, 7, 8};
    ASSERT_EQ(::write(master, a, 4), 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::pthread_kill(reader, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(::write(master, b, 4), 4);
  });
  std::uint8_t got[16] = {};
  const std::size_t n = port->Read(got, sizeof got);
  writer.join();
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(got[7], 8);
  sa.sa_handler = SIG_DFL;
  ::sigaction(SIGUSR1, &sa, nullptr);
  port.reset();
  ::close(master);
}

}  // namespace
}  // namespace qg::platform
