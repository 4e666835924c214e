#pragma once
// The program's file version is carried inside the executable itself, in an
// ELF section of its own, and read back from the file at run time (the About
// box shows it). The section holds a magic tag followed by the four 16-bit
// numbers in the byte order of the file.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zel {

inline constexpr const char* kVersionSectionName = ".zelmora.version";
inline constexpr std::array<char, 8> kVersionMagic = {'Z', 'E', 'L', 'M', 'V', 'E', 'R', '1'};

struct VersionStamp {
  std::array<char, 8> magic;
  std::uint16_t parts[4];
};
static_assert(sizeof(VersionStamp) == 16);

// The four numbers of the file's version section, or nothing when the file is
// not a readable ELF file or carries no well-formed section.
std::optional<std::array<std::uint16_t, 4>> ReadFileVersion(const std::string& path);

// The first n numbers of the file version joined by "."; n of 0 or above 4
// means 4. The empty text when the file has no version.
std::string FileVersionText(const std::string& path, int n);

}  // namespace zel
