#include "hostprog/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace tier::hostprog {
namespace {

// Reads at most kMaxInputBytes + 1 bytes, so that a file without end (a pipe
// that never closes aside) is refused instead of filling memory.
Error TooLarge(const std::string& name) {
  return {name + ": larger than the limit of " + std::to_string(kMaxInputBytes >> 20) +
          " MiB for a scene or report"};
}

Result<std::string> ReadBounded(std::FILE* stream, const std::string& name) {
  std::string text;
  char buffer[1 << 16];
  while (true) {
    const std::size_t room = kMaxInputBytes + 1 - text.size();
    const std::size_t got = std::fread(buffer, 1, std::min(sizeof buffer, room), stream);
    text.append(buffer, got);
    if (text.size() > kMaxInputBytes) return TooLarge(name);
    if (got == 0) break;
  }
  if (std::ferror(stream)) return Error{name + ": cannot read the file: " + SystemReason()};
  return text;
}

}  // namespace

std::string InputName(const std::string& path) {
  return path == kStandardInputPath ? kStandardInputName : path;
}

namespace fs = std::filesystem;

namespace {

// A name as a path. The filesystem calls report their failures through
// std::error_code, but turning a name into a path has no such form: where
// the system converts names (on Windows, from the code page), one that does
// not convert is refused by an exception, caught here and nowhere else.
std::optional<fs::path> PathOf(const std::string& name) noexcept {
  try {
    return fs::path(name);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// A name the platform cannot convert to a path is no such file either.
fs::file_status StatusOf(const std::optional<fs::path>& path) {
  if (!path) return fs::file_status(fs::file_type::not_found);
  std::error_code code;
  return fs::status(*path, code);
}

}  // namespace

bool NoSuchFile(const std::string& path) {
  return path != kStandardInputPath && StatusOf(PathOf(path)).type() == fs::file_type::not_found;
}

std::string MissingFolder(const std::string& path) {
  const std::optional<fs::path> file = PathOf(path);
  if (!file) return "";
  const fs::path folder = file->parent_path();
  if (folder.empty() ||
      StatusOf(std::optional<fs::path>(folder)).type() != fs::file_type::not_found)
    return "";
  // The folder is the start of a name that converted, and converts back.
  return folder.string();
}

std::string SystemReason() {
  if (errno == ENOENT) return kNoSuchFile;
  return errno != 0 ? std::strerror(errno) : "unknown reason";
}

Result<std::string> ReadInputFile(const std::string& path) {
  if (path == kStandardInputPath) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);  // the parser takes CR LF itself
#endif
    return ReadBounded(stdin, kStandardInputName);
  }
  std::error_code code;
  const std::optional<fs::path> name = PathOf(path);
  const fs::file_status status = StatusOf(name);
  if (status.type() == fs::file_type::not_found)
    return Error{path + ": cannot read the file: " + kNoSuchFile};
  if (status.type() == fs::file_type::directory)
    return Error{path + ": is a directory, not a file"};
  if (status.type() == fs::file_type::character || status.type() == fs::file_type::block)
    return Error{path + ": is a device, not a file"};
  if (status.type() == fs::file_type::regular) {
    const std::uintmax_t size = fs::file_size(*name, code);
    if (!code && size > kMaxInputBytes) return TooLarge(path);
  }
  errno = 0;
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream == nullptr) return Error{path + ": cannot read the file: " + SystemReason()};
  Result<std::string> text = ReadBounded(stream, path);
  std::fclose(stream);
  return text;
}

}  // namespace tier::hostprog
