#pragma once
// A slave engine on a fresh pseudo-terminal with a register bank at address 1, and a link on it.
#include <gtest/gtest.h>

#include <memory>

#include "platform/clock.h"
#include "platform/serial_port.h"
#include "serial/link.h"
#include "sim/rtu_slave.h"

namespace qg::testing {

class PtyLine {
 public:
  explicit PtyLine(std::uint32_t baud = 9600) {
    std::string error;
    if (!slave.OpenPty(error)) ADD_FAILURE() << error;
    slave.SetBaud(baud);
    bank = std::make_shared<sim::RegisterBank>(256, 4096);
    slave.AddDevice(1, bank);
    ports.Set(1, slave.Path());
    slave.Start();
  }
  ~PtyLine() { slave.Stop(); }

  sim::RtuSlave slave;
  std::shared_ptr<sim::RegisterBank> bank;
  platform::PortMap ports;
  platform::SystemClock clock;
};

}  // namespace qg::testing
