#pragma once
// The Modbus RTU master link: one transaction at a time through the link record.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/serial_port.h"

namespace qg::serial {

// Link error codes.
enum LinkError : std::uint8_t {
  kErrNone = 0,
  kErrAddress = 1,      // the reply comes from another address
  kErrByteCount = 2,    // zero (or impossible) byte or word count
  kErrRegister = 3,     // a function 6 reply names a register above 255
  kErrValue = 4,        // the written value is not echoed
  kErrException = 5,    // exception reply
  kErrFunction = 6,     // unknown function code in the reply
  kErrCrc = 7,          // CRC mismatch
  kErrTimeout = 8,      // fewer bytes than expected; in Harrowcfg also a wrong byte count
  kErrNotOpen = 9,      // the port is not open (Harrowcfg)
};

// The link record: callers fill the request fields and run a transaction.
struct DRVPAR {
  std::int8_t port = 0;          // COMn number; 0 = no port
  std::uint16_t baud = 9600;
  std::uint16_t address = 1;     // low byte is sent
  std::uint16_t function = 3;    // 3, 5, 6 or 0x72
  std::uint32_t start = 0;
  std::uint32_t count = 0;
  std::uint16_t value = 0;       // functions 5 and 6
  std::uint16_t* data = nullptr; // holds at least `count` words
  std::uint16_t result = 0;      // link error code of the last transaction
  std::int32_t timeout = 0;      // extra milliseconds of the read total time-out
};

// The two programs carry the same link with a few differences.
enum class LinkVariant { Quillgraph, Harrowcfg };

struct BaudTimeouts {
  std::uint32_t intervalMs;
  std::uint32_t perByteMs;
  std::uint32_t constantMs;  // before the extra time-out
  std::uint32_t guardMs;     // RTS guard delay after transmit empty
};

// Time-outs of a baud rate; a rate outside the table runs the port at 19200 and uses that
// row's time-outs, with no guard delay.
BaudTimeouts TimeoutsForBaud(std::uint32_t baud);

// The baud the port is programmed with: the table's rates as they are, otherwise 19200.
std::uint32_t ProgrammedBaud(std::uint32_t baud);

// The read total time-out constant: the table's constant plus `extra`, the extra clamped to
// 0..(65535 - constant) so that the 16-bit sum cannot wrap.
std::uint16_t TotalConstantMs(std::uint32_t baud, std::int32_t extra);

// Modbus RTU CRC-16, bit by bit.
std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t n);

// Request frame length (a) and expected reply length (c) of a request; false when the
// request could never be carried (its reply would not fit the reply area).
struct FrameSizes {
  std::size_t request;
  std::size_t reply;
};
bool FrameSizesFor(const DRVPAR& par, FrameSizes& out);

// One program's link: its record, the port and the link's private state.
class Link {
 public:
  Link(LinkVariant variant, const platform::PortMap& ports, const platform::Clock& clock);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  DRVPAR& Par() { return par_; }
  const DRVPAR& Par() const { return par_; }
  LinkVariant Variant() const { return variant_; }

  std::uint8_t OpenPort(DRVPAR* par);  // 0 = open and set up, 1 = failure
  bool ClosePort();                    // true when a handle was closed
  std::uint8_t ReadWords();            // 0 = success, 1 = failure (code in result)
  std::uint8_t WriteWords();           // Quillgraph: no effect, 0; Harrowcfg: the write

  bool DDM_IfDriverExist() const { return openFlag_; }
  bool DDM_OpenDriver(std::uint8_t port, std::uint16_t baud);
  void DDM_CloseDriver();

  // The reason the last OpenPort failed, for messages (empty after a success).
  const std::string& OpenError() const { return openError_; }

 private:
  std::uint8_t Transact(bool writeFrame);
  std::uint8_t Receive(const FrameSizes& sizes);
  std::uint8_t Check(std::size_t c);

  LinkVariant variant_;
  const platform::PortMap& ports_;
  const platform::Clock& clock_;
  DRVPAR par_;
  std::unique_ptr<platform::SerialPort> port_;
  bool openFlag_ = false;
  std::uint32_t baud_ = 9600;     // the rate the port was opened with
  std::int32_t extraTimeout_ = 0; // the extra time-out the port was opened with
  std::array<std::uint8_t, 25> frame_{};
  std::vector<std::uint8_t> reply_;  // 65,535 bytes
  std::string openError_;
};

}  // namespace qg::serial
