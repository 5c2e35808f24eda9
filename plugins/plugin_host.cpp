#include "plugins/plugin_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <system_error>

#include "platform/cp1252.h"
#include "plugins/include/quillgraph_plugin.h"

static_assert(qg::plugins::kTextBufferSize == QG_PLUGIN_TEXT_BUFFER);
static_assert(qg::plugins::kNameMax == QG_PLUGIN_NAME_MAX);
static_assert(qg::plugins::kTypeNameMax == QG_PLUGIN_TYPE_NAME_MAX);
static_assert(qg::plugins::kMaxParameters == QG_PLUGIN_MAX_PARAMETERS);

namespace qg::plugins {
namespace {

constexpr std::string_view kSuffix = ".so";

// Windows listed a folder in the order of its names folded to upper case; folding the
// Windows-1252 letters and comparing code points gives the same order for the names we accept.
std::string OrderKey(std::string_view utf8) {
  std::string bytes = platform::Utf8ToCp1252(utf8);
  for (char& c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    unsigned char up = b;
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
      up = static_cast<unsigned char>(b - 0x20);
    } else if (b == 0x9A || b == 0x9C || b == 0x9E) {  // š œ ž
      up = static_cast<unsigned char>(b - 0x10);
    } else if (b == 0xFF) {  // ÿ
      up = 0x9F;
    }
    c = static_cast<char>(up);
  }
  return platform::Cp1252ToUtf8(bytes);
}

template <typename Fn>
Fn As(void* symbol) {
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

bool IsValidTypeName(std::string_view type) {
  if (type.empty() || type.front() == '.') return false;
  for (const char c : type) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == '/') return false;
  }
  const std::string cp = platform::Utf8ToCp1252(type);
  return cp.size() <= kTypeNameMax && platform::Cp1252ToUtf8(cp) == type;
}

PluginHost::PluginHost(std::filesystem::path folder) {
  // No folder means no plug-ins: never the current folder, nor the library search path.
  if (folder.empty()) return;
  std::error_code ec;
  folder_ = std::filesystem::absolute(folder, ec);
  if (ec) folder_ = std::move(folder);
}

std::filesystem::path PluginHost::LibraryPath(std::string_view type) const {
  std::string file(type);
  file += kSuffix;
  return folder_ / file;
}

void* PluginHost::Handle(std::string_view type, std::string* failure) {
  if (const auto it = handles_.find(type); it != handles_.end()) return it->second;
  if (!IsValidTypeName(type)) {
    if (failure != nullptr) *failure = "not a device type name";
    return nullptr;
  }
  if (folder_.empty()) {
    if (failure != nullptr) *failure = "the program's folder is unknown";
    return nullptr;
  }
  const auto path = LibraryPath(type);
  // dlopen would block on a FIFO and read a device; only plain files are libraries.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    if (failure != nullptr) *failure = path.string() + ": no such library";
    return nullptr;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (failure != nullptr) {
      const char* why = dlerror();
      *failure = why != nullptr ? why : path.string() + ": cannot be loaded";
    }
    return nullptr;
  }
  // Failures are not remembered: a library put in place later is found by the next call.
  handles_.emplace(std::string(type), handle);
  return handle;
}

bool PluginHost::Load(std::string_view type) { return Handle(type, nullptr) != nullptr; }

std::string PluginHost::LoadFailure(std::string_view type) {
  std::string failure;
  Handle(type, &failure);
  return failure;
}

void* PluginHost::Symbol(std::string_view type, const char* exportName, bool* libraryMissing) {
  void* handle = Handle(type, nullptr);
  if (libraryMissing != nullptr) *libraryMissing = handle == nullptr;
  if (handle == nullptr) return nullptr;
  return dlsym(handle, exportName);
}

bool PluginHost::HasExport(std::string_view type, const char* exportName) {
  return Symbol(type, exportName, nullptr) != nullptr;
}

std::vector<std::string> PluginHost::ListPlugins() {
  std::vector<std::pair<std::string, std::string>> found;  // order key, name
  if (folder_.empty()) return {};
  std::error_code ec;
  std::filesystem::directory_iterator it(
      folder_, std::filesystem::directory_options::skip_permission_denied, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (file.size() <= kSuffix.size() || !file.ends_with(kSuffix)) continue;
    const std::string type = file.substr(0, file.size() - kSuffix.size());
    if (!IsValidTypeName(type)) continue;
    if (DV_IsQuillgraphDLL(type) > 0) found.emplace_back(OrderKey(type), type);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  names.reserve(found.size());
  for (auto& [key, name] : found) names.push_back(std::move(name));
  return names;
}

int PluginHost::DV_IsQuillgraphDLL(std::string_view type) {
  void* fn = Symbol(type, "DV_IsQuillgraphDLL", nullptr);
  return fn == nullptr ? -1 : As<QG_IsQuillgraphDLL_fn>(fn)();
}

TextStatus PluginHost::CallText(std::string_view type, const char* exportName, int32_t number,
                                std::string& buffer, bool clearWhenNoLibrary) {
  bool libraryMissing = false;
  void* fn = Symbol(type, exportName, &libraryMissing);
  if (libraryMissing) {
    if (clearWhenNoLibrary) buffer.clear();
    return TextStatus::kNoLibrary;
  }
  if (fn == nullptr) return TextStatus::kNoExport;

  std::array<char, kTextBufferSize> text{};
  As<QG_GetText_fn>(fn)(number, text.data());
  // A text without its zero inside the buffer counts as too long; nothing past it is read.
  const std::size_t length = strnlen(text.data(), text.size());
  const bool cut = length > kNameMax;
  buffer = platform::Cp1252ToUtf8(std::string_view(text.data(), std::min(length, kNameMax)));
  return cut ? TextStatus::kCut : TextStatus::kWritten;
}

TextStatus PluginHost::DV_GetDeviceParam(std::string_view type, int32_t index,
                                         std::string& buffer) {
  return CallText(type, "DV_GetDeviceParam", index, buffer, false);
}

TextStatus PluginHost::DV_GetInputType(std::string_view type, int32_t number,
                                       std::string& buffer) {
  return CallText(type, "DV_GetInputType", number, buffer, true);
}

int32_t PluginHost::DV_GetDeviceChannelsNumber(std::string_view type) {
  void* fn = Symbol(type, "DV_GetDeviceChannelsNumber", nullptr);
  return fn == nullptr ? -1 : As<QG_GetInt_fn>(fn)();
}

int32_t PluginHost::DV_GetInitReg(std::string_view type) {
  void* fn = Symbol(type, "DV_GetInitReg", nullptr);
  return fn == nullptr ? -1 : As<QG_GetInt_fn>(fn)();
}

int32_t PluginHost::DV_GetInitDecPoint(std::string_view type) {
  void* fn = Symbol(type, "DV_GetInitDecPoint", nullptr);
  return fn == nullptr ? -1 : As<QG_GetInt_fn>(fn)();
}

int32_t PluginHost::DV_GetInitType(std::string_view type) {
  void* fn = Symbol(type, "DV_GetInitType", nullptr);
  return fn == nullptr ? -1 : As<QG_GetInt_fn>(fn)();
}

int32_t PluginHost::DV_GetOffSetReg(std::string_view type, std::string_view name) {
  void* fn = Symbol(type, "DV_GetOffSetReg", nullptr);
  if (fn == nullptr) return -1;
  const std::string cp = platform::Utf8ToCp1252(name);
  return As<QG_GetIntByName_fn>(fn)(cp.c_str());
}

int32_t PluginHost::DV_GetDecPointPar(std::string_view type, std::string_view name) {
  void* fn = Symbol(type, "DV_GetDecPointPar", nullptr);
  if (fn == nullptr) return -1;
  const std::string cp = platform::Utf8ToCp1252(name);
  return As<QG_GetIntByName_fn>(fn)(cp.c_str());
}

int32_t PluginHost::DV_GetCommandType(std::string_view type, int32_t kind) {
  void* fn = Symbol(type, "DV_GetCommandType", nullptr);
  return fn == nullptr ? -1 : As<QG_GetIntByNumber_fn>(fn)(kind);
}

int32_t PluginHost::DV_GetDecPointType(std::string_view type, int32_t number) {
  void* fn = Symbol(type, "DV_GetDecPointType", nullptr);
  return fn == nullptr ? -1 : As<QG_GetIntByNumber_fn>(fn)(number);
}

// ---- checked questions

bool IsValidCount(int32_t count) { return count >= 0 && count <= kMaxParameters; }

bool IsValidOffset(int32_t offset, int32_t count) {
  return IsValidCount(count) && offset >= 0 && offset < count;
}

std::optional<int32_t> ParameterCount(PluginHost& host, std::string_view type) {
  const int32_t count = host.DV_GetDeviceChannelsNumber(type);
  if (!IsValidCount(count)) return std::nullopt;
  return count;
}

std::optional<int32_t> ParameterCountText(PluginHost& host, std::string_view type) {
  std::string text;
  if (host.DV_GetDeviceParam(type, 0, text) != TextStatus::kWritten || text.empty())
    return std::nullopt;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  int32_t count = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (error != std::errc() || end != text.data() + text.size() || !IsValidCount(count))
    return std::nullopt;
  return count;
}

std::optional<std::string> ParameterName(PluginHost& host, std::string_view type,
                                         int32_t index) {
  if (index < 1 || index > kMaxParameters) return std::nullopt;
  std::string name;
  if (host.DV_GetDeviceParam(type, index, name) != TextStatus::kWritten) return std::nullopt;
  return name;
}

std::optional<std::vector<std::string>> ParameterNames(PluginHost& host,
                                                       std::string_view type) {
  const auto count = ParameterCount(host, type);
  if (!count) return std::nullopt;
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(*count));
  for (int32_t k = 1; k <= *count; ++k) {
    auto name = ParameterName(host, type, k);
    if (!name) return std::nullopt;
    names.push_back(std::move(*name));
  }
  return names;
}

std::optional<int32_t> ParameterOffset(PluginHost& host, std::string_view type,
                                       std::string_view name, int32_t count) {
  if (!IsValidCount(count) || name.find('\0') != std::string_view::npos ||
      platform::Utf8ToCp1252(name).size() > kNameMax)
    return std::nullopt;
  const int32_t offset = host.DV_GetOffSetReg(type, name);
  if (!IsValidOffset(offset, count)) return std::nullopt;
  return offset;
}

std::optional<std::string> InputTypeName(PluginHost& host, std::string_view type,
                                         int32_t number) {
  std::string name;
  if (host.DV_GetInputType(type, number, name) != TextStatus::kWritten) return std::nullopt;
  return name;
}

std::optional<PollPlan> MakePollPlan(PluginHost& host, std::string_view type) {
  PollPlan plan;
  plan.function = host.DV_GetCommandType(type, 0);
  if (plan.function < 1 || plan.function > 127) return std::nullopt;
  plan.firstRegister = host.DV_GetInitReg(type);
  if (plan.firstRegister < 0 || plan.firstRegister > 0xFFFF) return std::nullopt;
  const auto count = ParameterCount(host, type);
  if (!count || plan.firstRegister + *count > 0x10000) return std::nullopt;
  plan.count = *count;
  plan.parameters.reserve(static_cast<std::size_t>(plan.count));
  for (int32_t k = 1; k <= plan.count; ++k) {
    auto name = ParameterName(host, type, k);
    if (!name) return std::nullopt;
    const auto offset = ParameterOffset(host, type, *name, plan.count);
    if (!offset) return std::nullopt;
    plan.parameters.push_back({std::move(*name), *offset});
  }
  return plan;
}

}  // namespace qg::plugins
