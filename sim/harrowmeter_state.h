#pragma once
// The state file of harrowsim: the registers, memory and engine state of every simulated
// Harrowmeter, as readable text.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sim/harrowmeter_model.h"

namespace qg::sim {

std::string FormatState(const std::vector<HarrowmeterSnapshot>& loggers);
// On bad content: false, and `error` names the line ("line 12: ...").
bool ParseState(std::string_view text, std::vector<HarrowmeterSnapshot>& loggers, std::string& error);

bool SaveStateFile(const std::filesystem::path& path, const std::vector<HarrowmeterSnapshot>& loggers,
                   std::string& error);
// `error` starts with the file's name.
bool LoadStateFile(const std::filesystem::path& path, std::vector<HarrowmeterSnapshot>& loggers,
                   std::string& error);

}  // namespace qg::sim
