#pragma once
// What the shell asks of the desktop: opening a help page in the browser and starting a
// program detached. The program uses the toolkit's; tests record the requests.
#include <filesystem>
#include <string>
#include <vector>

namespace qg::shell {

class Desktop {
 public:
  virtual ~Desktop() = default;
  // `url` is a file:// URL with a fragment naming the topic. False when it could not be opened.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Starts `program` with `arguments` as they are (never through a shell) and does not wait.
  virtual bool StartDetached(const std::filesystem::path& program,
                             const std::vector<std::string>& arguments) = 0;
};

class RecordingDesktop final : public Desktop {
 public:
  struct Start {
    std::filesystem::path program;
    std::vector<std::string> arguments;
  };
  bool OpenUrl(const std::string& url) override {
    urls.push_back(url);
    return true;
  }
  bool StartDetached(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments) override {
    starts.push_back({program, arguments});
    return true;
  }
  std::vector<std::string> urls;
  std::vector<Start> starts;
};

}  // namespace qg::shell
