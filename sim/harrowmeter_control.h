#pragma once
// The simulator's control commands (for harrowsim's standard input and for tests): set a
// reading, toggle the digital input, inject a fault, read and write registers, move time.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/harrowmeter_model.h"
#include "sim/rtu_slave.h"

namespace qg::sim {

class SimControl {
 public:
  struct Result {
    bool ok = true;
    std::string text;  // what to print (may be several lines)
    bool quit = false;
  };
  // `line` may be null (no line faults then); `save` stores the state file, if there is one.
  SimControl(std::vector<std::shared_ptr<HarrowmeterModel>> models, RtuSlave* line,
             std::function<bool(std::string&)> save = {});

  Result Execute(std::string_view command);
  static std::string Help();

 private:
  std::shared_ptr<HarrowmeterModel> Find(std::string_view address) const;

  std::vector<std::shared_ptr<HarrowmeterModel>> models_;
  RtuSlave* line_;
  std::function<bool(std::string&)> save_;
};

}  // namespace qg::sim
