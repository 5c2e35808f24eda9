#pragma once
// What Quillgraph holds for its whole run, one object owned by main (tests build as many as
// they need): settings, language file, shared texts, link, plug-ins, the device network and list.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/device.h"
#include "devices/network.h"
#include "history/history.h"
#include "platform/clock.h"
#include "platform/message_service.h"
#include "platform/profile.h"
#include "platform/serial_port.h"
#include "plugins/plugin_host.h"
#include "serial/link.h"
#include "shell/desktop.h"
#include "shell/language.h"
#include "shell/texts.h"

namespace qg::shell {

inline constexpr const char* kSettingsFileName = "Quillgraph.ini";
inline constexpr std::int32_t kDefaultTimeout = 50;

struct ProgramPaths {
  std::filesystem::path settingsFile;                     // Quillgraph.ini
  std::vector<std::filesystem::path> languageCandidates;  // LANGUAGE.TRL, in order
  std::filesystem::path programDir;                       // plug-ins, harrowcfg, help
  std::filesystem::path startDir;                         // the help file is looked for here first
  std::string pathVariable;                               // PATH, for harrowcfg

  // The paths of the running program: settings folder, current folder, executable folder.
  static ProgramPaths ForThisProgram();
};

class Program {
 public:
  Program(ProgramPaths paths, platform::MessageService& messages, Desktop& desktop,
          const platform::Clock& clock);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Reads the language file once; the shared tables take its texts.
  void LoadLanguage();
  // Reads the settings file; a file that cannot be read is reported and an empty one used.
  void OpenSettings();
  // Writes the settings file; false (and the message shown) when it cannot be stored, or when
  // it could not be read at start-up and would lose what the program never saw.
  bool StoreSettings();
  // Reads the device network and the time-out from the settings and applies the table.
  devices::ApplyResult ReadAndApplyNetwork();
  // Applies the table; runs `networkApplied` afterwards.
  devices::ApplyResult ApplyNetwork();
  // Opens the help file at `topic`; a missing file or browser fails silently.
  void OpenHelp(const std::string& topic);

  const ProgramPaths& Paths() const { return paths_; }
  platform::MessageService& Messages() { return messages_; }
  Desktop& DesktopServices() { return desktop_; }
  const LanguageFile& Language() const { return language_; }
  const SharedTexts& Shared() const { return shared_; }
  platform::ProfileFile& Settings() { return settings_; }
  serial::Link& Link() { return *link_; }
  plugins::PluginHost& Host() { return host_; }
  devices::DeviceList& Devices() { return devices_; }
  devices::NetworkModel& Network() { return network_; }
  history::HistoryList& Histories() { return histories_; }
  const platform::Clock& Clock() const { return clock_; }
  // The recorder tick: every recorder whose countdown has run out appends a record.
  void HistoryTick();

  // Runs after every apply of the network: the pen device lists are refilled from it once the
  // monitor configuration exists.
  std::function<void()> networkApplied;

 private:
  ProgramPaths paths_;
  platform::MessageService& messages_;
  Desktop& desktop_;
  const platform::Clock& clock_;
  LanguageFile language_;
  SharedTexts shared_;
  platform::ProfileFile settings_;
  bool settingsRead_ = true;
  platform::PortMap ports_;
  std::unique_ptr<serial::Link> link_;
  plugins::PluginHost host_;
  devices::DeviceList devices_;
  devices::NetworkModel network_;
  history::HistoryList histories_;
};

}  // namespace qg::shell
