#pragma once
// The Open Packaging container of a workbook: the zip file, its parts held in
// memory, the content types and the relationship parts. A part nobody changes
// is written back with exactly the bytes it was read with.
#include <pugixml.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zel::xl {

// A model workbook is a few megabytes once inflated. Sizes far beyond that
// are a damaged or hostile file, refused before anything is inflated (a
// small zip can declare gigabytes).
inline constexpr std::uint64_t kMaxPartBytes = 256ull << 20;
inline constexpr std::uint64_t kMaxTotalBytes = 512ull << 20;

// A part's bytes deflated ahead of the save, as its zip entry will hold them
// (raw deflate at `level`). Parts with the same bytes may share one.
struct PackedPart {
  std::string deflated;
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  int level = 0;
};

struct Relationship {
  std::string id, type, target;
  bool external = false;
};

// One relationship part (.rels), as a list kept in file order.
class Relationships {
 public:
  void Parse(std::string_view xml, const std::string& partName);
  std::string Serialize() const;

  const std::vector<Relationship>& Items() const { return items_; }
  const Relationship* ById(std::string_view id) const;
  // The first relationship whose type ends in "/" + typeSuffix.
  const Relationship* ByType(std::string_view typeSuffix) const;
  std::string NewId() const;  // "rIdN", unused
  void Add(Relationship r);
  void RemoveById(std::string_view id);

 private:
  void IndexIds();

  std::vector<Relationship> items_;
  // Id -> place in items_ of the first with that id: the workbook's list
  // holds one per sheet, and a scan at every look-up or new id made
  // thousands of copies quadratic.
  std::unordered_map<std::string, std::size_t> byId_;
};

// The last segment of a relationship type: "worksheet", "drawing", ...
std::string_view RelKind(std::string_view type);

class XlsxPackage {
 public:
  XlsxPackage();
  ~XlsxPackage();
  XlsxPackage(const XlsxPackage&) = delete;
  XlsxPackage& operator=(const XlsxPackage&) = delete;

  // Reads every part. Throws EXlsxError for a missing file, a file that is
  // not a zip (with the right message for legacy and encrypted workbooks),
  // entry names that are paths out of the package or repeated, and parts
  // that declare more than a model workbook can reasonably hold (checked
  // before anything is inflated).
  void Load(const std::string& path);
  // Writes the package to a temporary file in the folder of `path` and
  // renames it over `path`, so a failed save never leaves half a file.
  void Save(const std::string& path);

  bool Has(const std::string& part) const;
  // A packed part is inflated here and kept so until it is set again.
  const std::string& Data(const std::string& part) const;
  void SetData(const std::string& part, std::string data);
  // Deflates bytes at the package's level, the way the save would.
  std::shared_ptr<const PackedPart> Pack(std::string_view data) const;
  // The part's bytes are those packed; the save writes them as they are.
  void SetPacked(const std::string& part, std::shared_ptr<const PackedPart> packed);
  // The part's bytes, inflated afresh for a packed part and not kept.
  std::string Read(const std::string& part) const;
  void Remove(const std::string& part);
  std::vector<std::string> PartNames() const;

  // Content types, from [Content_Types].xml.
  std::string ContentType(const std::string& part) const;
  void SetOverride(const std::string& part, const std::string& contentType);
  bool HasOverride(const std::string& part) const;
  void RemoveOverride(const std::string& part);
  // Drops the extension defaults that give this type.
  void RemoveDefaultsOf(const std::string& contentType);

  // "xl/worksheets/_rels/sheet1.xml.rels" for "xl/worksheets/sheet1.xml".
  static std::string RelsPartOf(const std::string& part);
  // Resolves a relationship target against the part that holds it; throws
  // EXlsxError for a target that climbs out of the package.
  static std::string ResolveTarget(const std::string& sourcePart, const std::string& target);
  // The target of `part` written relative to the folder of `sourcePart`.
  static std::string RelativeTarget(const std::string& sourcePart, const std::string& part);
  // Reads the relationships of a part (empty when it has none).
  Relationships ReadRels(const std::string& part) const;
  void WriteRels(const std::string& part, const Relationships& rels);

  // A part name not yet used, like "xl/worksheets/sheet7.xml": the name's
  // trailing number is replaced by the lowest free one.
  std::string FreePartName(const std::string& like) const;

  // Deflate level for parts written anew (unchanged parts use the same).
  void SetCompressionLevel(int level) { level_ = level; }

 private:
  void ParseContentTypes();
  std::size_t IndexOf(const std::string& part) const;

  struct Part {
    std::string name;
    mutable std::string data;  // for a packed part: empty until read
    bool removed = false;
    std::shared_ptr<const PackedPart> packed;
  };
  static std::string Inflate(const Part& part);
  std::vector<Part> parts_;  // file order; new parts are appended
  // Hashed: a workbook grown to thousands of sheets looks parts up by name
  // several times for every copy.
  std::unordered_map<std::string, std::size_t> index_;      // lower-case name -> parts_ index
  std::map<std::string, std::string> defaults_;             // extension (lower case) -> type
  std::unordered_map<std::string, std::string> overrides_;  // lower-case part name -> type
  std::unique_ptr<pugi::xml_document> typesDoc_;            // the parsed [Content_Types].xml
  mutable std::unordered_map<std::string, int> freeHint_;   // name pattern -> number to try first
  bool typesDirty_ = false;
  int level_ = 6;
  // One deflate stream for every part packed ahead of the save: setting one
  // up costs more than deflating a small part.
  struct PackStream;
  mutable std::unique_ptr<PackStream> packStream_;
};

}  // namespace zel::xl
