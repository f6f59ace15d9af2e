// In the Win32 build a host program meets the plug-in as the host does: the
// product library loaded by the system, its exports found by name, the
// routine tables taken from the descriptor, the strings read from its
// resources.
#include <windows.h>

#include "hostlink/plugin_module.h"

namespace tier::hostlink {
namespace {

// Tier.vdx in the folder of the running program.
std::string DefaultModulePath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "Tier.vdx";
  std::string folder(path, length);
  const std::size_t slash = folder.find_last_of("\\/");
  folder.erase(slash == std::string::npos ? 0 : slash + 1);
  return folder + "Tier.vdx";
}

// The system's own text for an error code, on one line.
std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message(text != nullptr ? text : "", length);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  for (char& c : message)
    if (c == '\r' || c == '\n') c = ' ';
  return "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class LoadedLibraryModule final : public DirectModule {
 public:
  explicit LoadedLibraryModule(const std::string& path) {
    const std::string file = path.empty() ? DefaultModulePath() : path;
    library_ = LoadLibraryA(file.c_str());
    if (library_ == nullptr) {
      error_ = "LoadLibrary(" + file + ") failed, " + SystemMessage(GetLastError());
      return;
    }
    using GetRunObjectInfosFunction = std::int32_t(TIER_STDCALL*)(std::uint32_t, RunObjectInfos*);
    const auto getRunObjectInfos = Export<GetRunObjectInfosFunction>(library_, "GetRunObjectInfos");
    if (getRunObjectInfos == nullptr) {
      error_ = file + " lacks GetRunObjectInfos";
      return;
    }
    getRunObjectInfos(0, &infos_);
    FindTables();
  }

  std::string Version() const override {
    // The version block's fixed part starts with the signature 0xFEEF04BD; the
    // file version follows as two 32-bit words (major.minor, build.revision).
    HRSRC found = FindResourceA(library_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    HGLOBAL loaded = found != nullptr ? LoadResource(library_, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = found != nullptr ? SizeofResource(library_, found) : 0;
    auto word = [bytes](DWORD at) {
      return static_cast<DWORD>(bytes[at]) | static_cast<DWORD>(bytes[at + 1]) << 8 |
             static_cast<DWORD>(bytes[at + 2]) << 16 | static_cast<DWORD>(bytes[at + 3]) << 24;
    };
    for (DWORD at = 0; bytes != nullptr && at + 16 <= size; at += 4) {
      if (word(at) != 0xFEEF04BDu) continue;
      const DWORD high = word(at + 8), low = word(at + 12);
      return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
             std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
    }
    return "unknown";
  }

  std::string String(unsigned id) const override {
    // A string resource holds at most 65535 characters.
    static char buffer[65536];
    const int length = LoadStringA(library_, id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
  }

 private:
  HMODULE library_ = nullptr;
};

}  // namespace

std::unique_ptr<PluginModule> LoadTierModule(const std::string& path, std::uint64_t) {
  return std::make_unique<LoadedLibraryModule>(path);
}

}  // namespace tier::hostlink
