#pragma once
// The toolkit's message boxes, browser and process start behind the shell's interfaces.
#include <QString>
#include <string>
#include <utility>

#include "platform/message_service.h"
#include "shell/desktop.h"

namespace qg::shell {

// The application's title: the caption of the boxes that name none. It is not the toolkit's
// display name, which would be appended to every window's caption.
inline constexpr const char* kApplicationTitle = "Quillgraph Talvo";

class QtMessageService final : public platform::MessageService {
 public:
  explicit QtMessageService(std::string applicationTitle = kApplicationTitle)
      : applicationTitle_(std::move(applicationTitle)) {}
  platform::Answer Show(platform::BoxKind kind, const std::string& title, const std::string& text,
                        platform::Buttons buttons) override;

 private:
  std::string applicationTitle_;
};

class QtDesktop final : public Desktop {
 public:
  bool OpenUrl(const std::string& url) override;
  bool StartDetached(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments) override;
};

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace qg::shell
