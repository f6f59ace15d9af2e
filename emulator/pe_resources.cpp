// The resources of a PE32 image as a host reads them: the numbered resource
// tree, string tables and version blocks.
//
// What this file guarantees: the resource walk reads only inside its
// directory and copies only data that lies inside the image, and it always
// ends. The tree is three levels deep by construction (type, id, language);
// every entry points forward, past the start of the directory that holds it;
// and the walk examines at most as many entries as the directory has room for,
// so directories that share their entries (which could multiply the leaves)
// are refused instead of walked again. A version block is read node by node,
// each inside its parent, each at least a header long, so its walks end too.
#include <algorithm>

#include "emulator/pe_image.h"
#include "emulator/pe_read.h"

namespace tier::emulator {

using pe::At;
using pe::Bytes;
using pe::Fail;
using pe::Inside;

namespace {

constexpr int kLevels = 3;                       // type, id, language
constexpr std::uint32_t kHighBit = 0x80000000u;  // a named entry; a subdirectory
constexpr std::uint32_t kStringTable = 6;

char Narrow(std::uint16_t unit) { return unit < 256 ? static_cast<char>(unit) : '?'; }

struct ResourceWalk {
  Bytes image;
  std::uint64_t rva = 0, size = 0;  // the resource directory, inside the image
  std::uint64_t entriesLeft = 0;    // how many more entries the directory has room for
  std::uint64_t dataBytesLeft = 0;  // leaves may not add up to more than the image
  std::vector<PeResource>* resources = nullptr;

  // Whether [offset, offset + width) from the directory's start lies inside it.
  bool Holds(std::uint64_t offset, std::uint64_t width) const {
    return offset <= size && width <= size - offset;
  }
};

std::string PathText(const std::uint32_t (&path)[kLevels], int levels) {
  static const char* const kWords[kLevels] = {"type ", " id ", " language "};
  if (levels == 0) return "the resource root";
  std::string text = "resource ";
  for (int i = 0; i < levels; ++i) text += kWords[i] + std::to_string(path[i]);
  return text;
}

Status ReadLeaf(ResourceWalk& walk, std::uint64_t offset, const std::uint32_t (&path)[kLevels]) {
  if (!walk.Holds(offset, 16))
    return Fail(PathText(path, kLevels) + ": its data entry lies outside the resource directory");
  const auto rva = At<std::uint32_t>(walk.image, walk.rva + offset);
  const auto size = At<std::uint32_t>(walk.image, walk.rva + offset + 4);
  if (!rva || !size) return Error{!rva ? rva.error() : size.error()};
  const std::uint32_t dataRva = *rva, dataSize = *size;
  if (!Inside(walk.image, dataRva, dataSize))
    return Fail(PathText(path, kLevels) + ": its data lies outside the image");
  if (dataSize > walk.dataBytesLeft)
    return Fail("the resources' data add up to more than the image");
  walk.dataBytesLeft -= dataSize;
  PeResource resource{path[0], path[1], path[2], {}};
  resource.data.assign(walk.image.begin() + dataRva, walk.image.begin() + dataRva + dataSize);
  walk.resources->push_back(std::move(resource));
  return Ok();
}

// The directory at `offset` from the resource directory's start, at `level`;
// `path` holds the ids of the levels above it.
Status WalkDirectory(ResourceWalk& walk, std::uint64_t offset, int level,
                     std::uint32_t (&path)[kLevels]) {
  if (!walk.Holds(offset, 16))
    return Fail(PathText(path, level) + ": a directory lies outside the resource directory");
  const auto named = At<std::uint16_t>(walk.image, walk.rva + offset + 12);
  const auto numbered = At<std::uint16_t>(walk.image, walk.rva + offset + 14);
  if (!named || !numbered) return Error{!named ? named.error() : numbered.error()};
  const std::uint64_t count = std::uint64_t{*named} + *numbered;
  if (!walk.Holds(offset + 16, 8 * count))
    return Fail(PathText(path, level) + ": the entries lie outside the resource directory");
  if (count > walk.entriesLeft) return Fail("the resource directories share their entries");
  walk.entriesLeft -= count;

  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t entry = walk.rva + offset + 16 + 8 * i;
    const auto read = At<std::uint32_t>(walk.image, entry);
    const auto pointer = At<std::uint32_t>(walk.image, entry + 4);
    if (!read || !pointer) return Error{!read ? read.error() : pointer.error()};
    const std::uint32_t name = *read, target = *pointer;
    if ((name & kHighBit) != 0) continue;  // named: the host reads numbered resources only
    path[level] = name;
    const std::uint64_t child = target & ~kHighBit;
    if (child <= offset) return Fail(PathText(path, level + 1) + " points back into the tree");
    const bool subdirectory = (target & kHighBit) != 0;
    if (subdirectory && level + 1 == kLevels)
      return Fail(PathText(path, level + 1) + " goes deeper than type, id and language");
    if (!subdirectory && level + 1 < kLevels)
      return Fail(PathText(path, level + 1) + " holds data where a directory belongs");
    if (Status read = subdirectory ? WalkDirectory(walk, child, level + 1, path)
                                   : ReadLeaf(walk, child, path);
        !read)
      return read;
  }
  return Ok();
}

// A node of a version block: wLength, wValueLength, wType, a UTF-16 key, padding
// to 32 bits, the value, padding, the children up to `end`. Offsets are from
// the block's start, which a loader aligns to 32 bits.
struct VersionNode {
  std::uint64_t end = 0;
  std::string key;
  std::uint64_t value = 0, valueBytes = 0;
  std::uint64_t children = 0;
};

std::uint64_t Align4(std::uint64_t offset) { return (offset + 3) & ~std::uint64_t{3}; }

Result<VersionNode> ReadVersionNode(Bytes block, std::uint64_t offset, std::uint64_t limit) {
  const std::string where = "version block: the node at offset " + std::to_string(offset);
  struct Header {
    std::uint16_t length, valueLength, type;
  };
  const auto header = At<Header>(block, offset);
  if (!header) return Error{header.error()};
  const auto [length, valueLength, type] = *header;
  if (length < 6 || offset + length > limit) return Fail(where + " runs past its parent");
  VersionNode node;
  node.end = offset + length;
  std::uint64_t at = offset + 6;
  for (;; at += 2) {
    if (at + 2 > node.end) return Fail(where + " has a key that runs past the node");
    const auto unit = At<std::uint16_t>(block, at);
    if (!unit) return Error{unit.error()};
    if (*unit == 0) break;
    node.key.push_back(Narrow(*unit));
  }
  node.value = std::min(Align4(at + 2), node.end);
  // Text values count UTF-16 units, binary ones bytes; text that some writers
  // measure in bytes is cut at the node's end, and read up to its terminator.
  node.valueBytes = type == 1 ? 2ull * valueLength : valueLength;
  if (node.value + node.valueBytes > node.end) {
    if (type != 1) return Fail(where + " has a value that runs past the node");
    node.valueBytes = node.end - node.value;
  }
  node.children = std::min(Align4(node.value + node.valueBytes), node.end);
  return node;
}

Result<std::vector<VersionNode>> ReadChildren(Bytes block, const VersionNode& parent) {
  std::vector<VersionNode> children;
  // Fewer than a header's six bytes left: padding.
  for (std::uint64_t at = parent.children; at + 6 <= parent.end;) {
    Result<VersionNode> child = ReadVersionNode(block, at, parent.end);
    if (!child) return Error{child.error()};
    at = Align4(child->end);  // at least six bytes on
    children.push_back(std::move(*child));
  }
  return children;
}

// A node's text value, up to its terminator; the node lies inside the block.
std::string TextValue(Bytes block, const VersionNode& node) {
  std::string text;
  for (std::uint64_t at = node.value; at + 2 <= node.value + node.valueBytes; at += 2) {
    const auto unit = At<std::uint16_t>(block, at);
    if (!unit || *unit == 0) break;
    text.push_back(Narrow(*unit));
  }
  return text;
}

}  // namespace

namespace pe {

Status ReadResources(Bytes image, std::uint64_t rva, std::uint64_t end, PeImage& result) {
  ResourceWalk walk;
  walk.image = image;
  walk.rva = rva;
  walk.size = end - rva;
  walk.entriesLeft = walk.size / 8;
  walk.dataBytesLeft = image.size();
  walk.resources = &result.resources;
  std::uint32_t path[kLevels] = {};
  return WalkDirectory(walk, 0, 0, path);
}

}  // namespace pe

const PeResource* FindResource(const PeImage& image, std::uint32_t type, std::uint32_t id,
                               std::uint32_t language) {
  for (const PeResource& r : image.resources)
    if (r.type == type && r.id == id && (language == 0 || r.language == language)) return &r;
  return nullptr;
}

std::optional<std::string> ResourceString(const PeImage& image, unsigned id,
                                          std::uint32_t language) {
  const PeResource* block = FindResource(image, kStringTable, id / 16 + 1, language);
  if (block == nullptr) return std::nullopt;
  const Bytes data(block->data);
  // Sixteen strings, each a 16-bit length in UTF-16 units, then the units.
  std::uint64_t at = 0;
  for (unsigned i = 0; i < id % 16; ++i) {
    const auto skipped = At<std::uint16_t>(data, at);
    if (!skipped) return std::nullopt;
    at += 2 + 2ull * *skipped;
  }
  const auto length = At<std::uint16_t>(data, at);
  if (!length || *length == 0 || !Inside(data, at + 2, 2ull * *length)) return std::nullopt;
  std::string text;
  for (std::uint64_t i = 0; i < *length; ++i) {
    const auto unit = At<std::uint16_t>(data, at + 2 + 2 * i);
    if (!unit) return std::nullopt;
    text.push_back(Narrow(*unit));
  }
  return text;
}

Result<VersionInfo> ParseVersionBlock(const std::vector<std::uint8_t>& bytes) {
  VersionInfo info;
  const Bytes block(bytes);
  if (block.size() < 6) return Fail("version block: shorter than a node header");
  const Result<VersionNode> read = ReadVersionNode(block, 0, block.size());
  if (!read) return Error{read.error()};
  const VersionNode& root = *read;
  if (root.key != "VS_VERSION_INFO")
    return Fail("version block: the root key is not VS_VERSION_INFO");
  if (root.valueBytes != 0) {
    constexpr std::uint32_t kSignature = 0xFEEF04BD;
    const auto signature = At<std::uint32_t>(block, root.value);
    if (root.valueBytes < 52 || !signature || *signature != kSignature)
      return Fail("version block: the fixed part lacks its signature 0xFEEF04BD");
    for (int i = 0; i < 13; ++i) {
      const auto word = At<std::uint32_t>(block, root.value + 4 * i);
      if (!word) return Error{word.error()};
      info.fixed.push_back(*word);
    }
  }

  const Result<std::vector<VersionNode>> parts = ReadChildren(block, root);
  if (!parts) return Error{parts.error()};
  for (const VersionNode& part : *parts) {
    const Result<std::vector<VersionNode>> tables = ReadChildren(block, part);
    if (!tables) return Error{tables.error()};
    for (const VersionNode& table : *tables) {
      if (part.key == "StringFileInfo") {
        const Result<std::vector<VersionNode>> entries = ReadChildren(block, table);
        if (!entries) return Error{entries.error()};
        auto& strings = info.strings[table.key];
        for (const VersionNode& entry : *entries) strings[entry.key] = TextValue(block, entry);
      } else if (part.key == "VarFileInfo" && table.key == "Translation") {
        for (std::uint64_t at = table.value; at + 4 <= table.value + table.valueBytes; at += 4) {
          const auto translation = At<std::uint32_t>(block, at);
          if (!translation) return Error{translation.error()};
          info.translations.push_back(*translation);
        }
      }
    }
  }
  return info;
}

std::string FileVersionText(const VersionInfo& info) {
  if (info.fixed.size() < 4) return "";
  const std::uint32_t high = info.fixed[2], low = info.fixed[3];  // dwFileVersionMS, LS
  return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
         std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
}

}  // namespace tier::emulator
