#pragma once
// Calls into device plug-ins by device type name. The library of type T is T.so in the folder
// the host was built with (the program's own folder); it is loaded on first use and never
// unloaded. Not thread-safe: every call comes from the user-interface thread.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qg::plugins {

// Limits of the interface, in Windows-1252 bytes (one byte per character).
inline constexpr std::size_t kNameMax = 19;      // parameter and input type names
inline constexpr std::size_t kTypeNameMax = 75;  // device type names
inline constexpr int32_t kMaxParameters = 17;
// Every text export writes into a buffer of this size, far above the limits, so that a
// plug-in that overshoots a limit is caught rather than trusted.
inline constexpr std::size_t kTextBufferSize = 1024;

// What a text wrapper did with the caller's buffer.
enum class TextStatus {
  kNoLibrary,  // the library could not be loaded
  kNoExport,   // it does not export the function; the buffer is left as it was
  kWritten,    // the buffer holds the plug-in's text (the plug-in's buffer starts zeroed,
               // so one that writes nothing gives the empty text)
  kCut,        // the plug-in's text was longer than its limit: the buffer holds the cut text
};

// A device type name the host is willing to turn into a file name: 1 to 75 Windows-1252
// characters that survive the round trip to Windows-1252, no '/', no NUL, not starting with
// '.'. Anything else could reach outside the plug-in folder or not survive the settings file.
bool IsValidTypeName(std::string_view type);

class PluginHost {
 public:
  // `folder` is made absolute now, so a later change of the current folder changes nothing.
  explicit PluginHost(std::filesystem::path folder);

  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path LibraryPath(std::string_view type) const;

  // Loads (or finds loaded) the library of `type`; false when it cannot be loaded.
  bool Load(std::string_view type);
  // Why the library of `type` cannot be loaded, or empty when it can.
  std::string LoadFailure(std::string_view type);
  bool HasExport(std::string_view type, const char* exportName);

  // The device types of the folder: every *.so that loads and whose DV_IsQuillgraphDLL answers
  // nonzero, by base name, ordered as the original platform listed files (letters compared
  // without case, ties by exact text). Every library is tried, so each one's code runs.
  std::vector<std::string> ListPlugins();

  // One wrapper per export, with the fallback when the library or the export is missing.
  // Texts are UTF-8 here and Windows-1252 at the plug-in.
  int DV_IsQuillgraphDLL(std::string_view type);  // -1, else the byte answered
  TextStatus DV_GetDeviceParam(std::string_view type, int32_t index, std::string& buffer);
  int32_t DV_GetDeviceChannelsNumber(std::string_view type);
  int32_t DV_GetOffSetReg(std::string_view type, std::string_view name);
  int32_t DV_GetDecPointPar(std::string_view type, std::string_view name);
  int32_t DV_GetInitReg(std::string_view type);
  int32_t DV_GetInitDecPoint(std::string_view type);
  int32_t DV_GetInitType(std::string_view type);
  int32_t DV_GetCommandType(std::string_view type, int32_t kind);
  // Library missing: the buffer becomes the empty text. Export missing: left as it was.
  TextStatus DV_GetInputType(std::string_view type, int32_t number, std::string& buffer);
  int32_t DV_GetDecPointType(std::string_view type, int32_t number);

 private:
  void* Handle(std::string_view type, std::string* failure);
  void* Symbol(std::string_view type, const char* exportName, bool* libraryMissing);
  TextStatus CallText(std::string_view type, const char* exportName, int32_t number,
                      std::string& buffer, bool clearWhenNoLibrary);

  std::filesystem::path folder_;
  std::map<std::string, void*, std::less<>> handles_;  // never closed
};

// ---- Checked questions: what the callers use. Each refuses (nullopt) a missing library or
// export, a cut name, a count outside 0..17 or an offset outside the block, without reading
// or writing outside what it holds.

bool IsValidCount(int32_t count);
bool IsValidOffset(int32_t offset, int32_t count);

// DV_GetDeviceChannelsNumber, within 0..17.
std::optional<int32_t> ParameterCount(PluginHost& host, std::string_view type);
// DV_GetDeviceParam(0): the count as decimal text (digits only), within 0..17.
std::optional<int32_t> ParameterCountText(PluginHost& host, std::string_view type);
// DV_GetDeviceParam(index) for 1 <= index <= 17: a name that was not cut.
std::optional<std::string> ParameterName(PluginHost& host, std::string_view type, int32_t index);
// The count, then names 1..count: all of them, or nothing.
std::optional<std::vector<std::string>> ParameterNames(PluginHost& host, std::string_view type);
// DV_GetOffSetReg(name) within 0..count-1. A name longer than 19 characters or holding a
// NUL is refused without asking the plug-in.
std::optional<int32_t> ParameterOffset(PluginHost& host, std::string_view type,
                                       std::string_view name, int32_t count);
// DV_GetInputType(number): a name that was not cut (the empty text is a name).
std::optional<std::string> InputTypeName(PluginHost& host, std::string_view type, int32_t number);

struct PolledParameter {
  std::string name;
  int32_t offset = 0;  // within 0..count-1
};

// Everything a poll needs, asked in the poll's order: read function, first register, count,
// then per parameter its name and its offset. firstRegister + count never passes 65536.
struct PollPlan {
  int32_t function = 0;  // a Modbus function code, 1..127
  int32_t firstRegister = 0;
  int32_t count = 0;
  std::vector<PolledParameter> parameters;  // count entries, parameter k at index k-1
};
std::optional<PollPlan> MakePollPlan(PluginHost& host, std::string_view type);

}  // namespace qg::plugins
