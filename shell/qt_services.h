#pragma once
// The toolkit's message boxes, browser and process start behind the shell's interfaces.
#include <QString>
#include <string>

#include "platform/message_service.h"
#include "shell/desktop.h"

namespace qg::shell {

class QtMessageService final : public platform::MessageService {
 public:
  platform::Answer Show(platform::BoxKind kind, const std::string& title, const std::string& text,
                        platform::Buttons buttons) override;
};

class QtDesktop final : public Desktop {
 public:
  bool OpenUrl(const std::string& url) override;
  bool StartDetached(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments) override;
};

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace qg::shell
