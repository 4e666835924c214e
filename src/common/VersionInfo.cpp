#include "common/VersionInfo.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace zel {
namespace {

// Only what is needed to find one section by name; every offset and size is
// checked against the file's length, because the file may be anything.
class ElfFile {
 public:
  explicit ElfFile(const std::string& path) : in_(path, std::ios::binary) {
    if (!in_) return;
    in_.seekg(0, std::ios::end);
    std::streamoff end = in_.tellg();
    if (end <= 0) return;
    size_ = static_cast<std::uint64_t>(end);
    ok_ = true;
  }

  bool Read(std::uint64_t offset, std::uint64_t count, void* out) {
    if (!ok_ || offset > size_ || count > size_ - offset) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
    return static_cast<std::uint64_t>(in_.gcount()) == count;
  }

  std::uint64_t Size() const { return size_; }

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
  bool ok_ = false;
};

struct Decoder {
  bool little = true;
  std::uint64_t Get(const unsigned char* p, int bytes) const {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
      int shift = little ? 8 * i : 8 * (bytes - 1 - i);
      v |= static_cast<std::uint64_t>(p[i]) << shift;
    }
    return v;
  }
};

struct Section {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t link = 0;
};

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint64_t kShnXindex = 0xffff;
constexpr std::uint64_t kMaxSections = 1u << 20;
constexpr std::uint64_t kMaxNameTable = 64u << 20;

}  // namespace

std::optional<std::array<std::uint16_t, 4>> ReadFileVersion(const std::string& path) {
  ElfFile file(path);
  unsigned char ident[64] = {};
  if (!file.Read(0, 16, ident)) return std::nullopt;
  if (std::memcmp(ident,
                  "\x7f"
                  "ELF",
                  4) != 0)
    return std::nullopt;
  const bool is64 = ident[4] == 2;
  if (ident[4] != 1 && !is64) return std::nullopt;
  if (ident[5] != 1 && ident[5] != 2) return std::nullopt;
  Decoder d{ident[5] == 1};

  const std::uint64_t headerSize = is64 ? 64 : 52;
  if (!file.Read(0, headerSize, ident)) return std::nullopt;
  std::uint64_t shoff = is64 ? d.Get(ident + 0x28, 8) : d.Get(ident + 0x20, 4);
  std::uint64_t shentsize = d.Get(ident + (is64 ? 0x3a : 0x2e), 2);
  std::uint64_t shnum = d.Get(ident + (is64 ? 0x3c : 0x30), 2);
  std::uint64_t shstrndx = d.Get(ident + (is64 ? 0x3e : 0x32), 2);
  const std::uint64_t minEntry = is64 ? 64 : 40;
  if (shoff == 0 || shentsize < minEntry) return std::nullopt;

  auto readSection = [&](std::uint64_t index, Section& s) {
    unsigned char buf[64];
    if (index > kMaxSections) return false;
    if (!file.Read(shoff + index * shentsize, minEntry, buf)) return false;
    s.name = static_cast<std::uint32_t>(d.Get(buf, 4));
    s.type = static_cast<std::uint32_t>(d.Get(buf + 4, 4));
    s.offset = is64 ? d.Get(buf + 24, 8) : d.Get(buf + 16, 4);
    s.size = is64 ? d.Get(buf + 32, 8) : d.Get(buf + 20, 4);
    s.link = static_cast<std::uint32_t>(is64 ? d.Get(buf + 40, 4) : d.Get(buf + 24, 4));
    return true;
  };

  // Files with very many sections keep the real count and name-table index
  // in the first section header.
  if (shnum == 0 || shstrndx == kShnXindex) {
    Section first;
    if (!readSection(0, first)) return std::nullopt;
    if (shnum == 0) shnum = first.size;
    if (shstrndx == kShnXindex) shstrndx = first.link;
  }
  if (shnum == 0 || shnum > kMaxSections || shstrndx >= shnum) return std::nullopt;
  if (shoff > file.Size() || shnum * shentsize > file.Size() - shoff) return std::nullopt;

  Section names;
  if (!readSection(shstrndx, names) || names.type == kShtNobits) return std::nullopt;
  if (names.size == 0 || names.size > kMaxNameTable) return std::nullopt;
  std::vector<char> table(names.size);
  if (!file.Read(names.offset, names.size, table.data())) return std::nullopt;

  const std::string_view wanted = kVersionSectionName;
  for (std::uint64_t i = 1; i < shnum; ++i) {
    Section s;
    if (!readSection(i, s)) return std::nullopt;
    if (s.name >= table.size()) continue;
    const char* start = table.data() + s.name;
    size_t room = table.size() - s.name;
    size_t len = strnlen(start, room);
    if (len == room || std::string_view(start, len) != wanted) continue;
    if (s.type == kShtNobits || s.size < sizeof(VersionStamp)) return std::nullopt;
    unsigned char stamp[sizeof(VersionStamp)];
    if (!file.Read(s.offset, sizeof stamp, stamp)) return std::nullopt;
    if (std::memcmp(stamp, kVersionMagic.data(), kVersionMagic.size()) != 0) return std::nullopt;
    std::array<std::uint16_t, 4> parts{};
    for (int p = 0; p < 4; ++p)
      parts[static_cast<size_t>(p)] = static_cast<std::uint16_t>(d.Get(stamp + 8 + 2 * p, 2));
    return parts;
  }
  return std::nullopt;
}

std::string FileVersionText(const std::string& path, int n) {
  if (n <= 0 || n > 4) n = 4;
  auto parts = ReadFileVersion(path);
  if (!parts) return {};
  std::string text;
  for (int i = 0; i < n; ++i) {
    if (i) text += '.';
    text += std::to_string((*parts)[static_cast<size_t>(i)]);
  }
  return text;
}

}  // namespace zel
