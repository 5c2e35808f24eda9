#include "shell/program.h"

#include <cstdlib>
#include <system_error>

#include "platform/paths.h"
#include "shell/locate.h"

namespace qg::shell {
namespace {

// The path of a file:// URL: every byte but the unreserved ones and "/" percent-encoded, so
// that a folder name with "#", "?", "%" or blanks still names the file.
std::string UrlPath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~' || c == '/') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

}  // namespace

ProgramPaths ProgramPaths::ForThisProgram() {
  ProgramPaths p;
  const auto settingsDir = platform::SettingsDir();
  std::error_code ec;
  const auto current = std::filesystem::current_path(ec);
  p.settingsFile = settingsDir / kSettingsFileName;
  p.languageCandidates = LanguageCandidates(current, settingsDir);
  p.programDir = platform::ExecutableDir();
  p.startDir = current;
  if (const char* path = std::getenv("PATH")) p.pathVariable = path;
  return p;
}

Program::Program(ProgramPaths paths, platform::MessageService& messages, Desktop& desktop,
                 const platform::Clock& clock)
    : paths_(std::move(paths)),
      messages_(messages),
      desktop_(desktop),
      clock_(clock),
      link_(std::make_unique<serial::Link>(serial::LinkVariant::Quillgraph, ports_, clock_)),
      host_(paths_.programDir) {
  link_->Par().timeout = kDefaultTimeout;
}

void Program::LoadLanguage() {
  language_ = LanguageFile::Load(paths_.languageCandidates);
  if (language_.Loaded()) shared_.Apply(language_);
}

void Program::OpenSettings() {
  std::string error;
  settings_ = platform::ProfileFile();
  settingsRead_ = settings_.LoadFrom(paths_.settingsFile, error);
  if (!settingsRead_) {
    settings_ = platform::ProfileFile();
    messages_.Warning(error);  // it names the file
  }
  ports_ = platform::PortMap::FromProfile(settings_);
}

bool Program::StoreSettings() {
  // What is held of a file that could not be read is not the file: storing it would lose the
  // sections and keys the program never saw.
  if (!settingsRead_) {
    messages_.Warning(paths_.settingsFile.string() +
                      ": o arquivo não pôde ser lido ao iniciar e não foi gravado.");
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(paths_.settingsFile.parent_path(), ec);
  std::string error;
  if (settings_.Save(paths_.settingsFile, error)) return true;
  messages_.Warning(error);  // it names the file
  return false;
}

devices::ApplyResult Program::ReadAndApplyNetwork() {
  devices::ReadNetworkSettings(settings_, network_, link_->Par().timeout);
  return ApplyNetwork();
}

devices::ApplyResult Program::ApplyNetwork() {
  auto result = devices::ApplyNetwork(network_, devices_, host_, networkApplied);
  if (!result.ok) messages_.Message(result.message);
  return result;
}

void Program::HistoryTick() { history::HistoryTick(histories_, devices_, clock_); }

void Program::OpenHelp(const std::string& topic) {
  const auto file = FindHelpFile(paths_.startDir, paths_.programDir);
  if (!file) return;
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(*file, ec);
  desktop_.OpenUrl("file://" + UrlPath((ec ? *file : absolute).string()) + "#" + topic);
}

}  // namespace qg::shell
