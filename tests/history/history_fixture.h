#pragma once
// A scratch folder per test and small builders of history files byte by byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "history/history_file.h"

namespace qg::history::testing {

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("qg_history_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
            info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  static std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  static void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  std::filesystem::path dir_;
};

// A file of a header, 16 blocks and the given records.
inline std::vector<std::uint8_t> MakeFile(const HistoryHeader& h,
                                          const std::array<HistoryChannelBlock, kChannels>& blocks,
                                          const std::vector<HistoryRecord>& records) {
  std::vector<std::uint8_t> out;
  const auto hb = EncodeHeader(h);
  out.insert(out.end(), hb.begin(), hb.end());
  for (const auto& b : blocks) {
    const auto bb = EncodeChannelBlock(b);
    out.insert(out.end(), bb.begin(), bb.end());
  }
  for (const auto& r : records) {
    const auto rb = EncodeRecord(r);
    out.insert(out.end(), rb.begin(), rb.end());
  }
  return out;
}

inline std::int16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::int16_t>(b.at(at) | (b.at(at + 1) << 8));
}

}  // namespace qg::history::testing
