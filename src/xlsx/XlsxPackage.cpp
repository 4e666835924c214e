#include "xlsx/XlsxPackage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

#include "common/Text.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

constexpr const char* kContentTypesPart = "[Content_Types].xml";

std::string Megabytes(zip_uint64_t bytes) {
  return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

// What a part name in the zip may not be: a path that leaves the package
// when the entries are unpacked (absolute, "..") or one that is no name.
std::string BadEntryName(const std::string& name) {
  if (name.front() == '/' || name.front() == '\\') return "is an absolute path";
  if (name.find('\\') != std::string::npos) return "holds a backslash";
  if (name.find('\0') != std::string::npos) return "holds a NUL character";
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    std::string_view seg(name.data() + start, end - start);
    if (seg == ".." || seg == ".") return "holds a \"" + std::string(seg) + "\" segment";
    if (seg.empty() && end != name.size()) return "holds an empty segment";
    start = end + 1;
  }
  return {};
}

std::string Lower(std::string_view s) {
  return text::AsciiLower(s);
}

std::string StripSlash(std::string_view s) {
  while (!s.empty() && s.front() == '/') s.remove_prefix(1);
  return std::string(s);
}

std::string Folder(const std::string& part) {
  auto slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string Extension(const std::string& part) {
  auto slash = part.rfind('/');
  auto dot = part.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Lower(part.substr(dot + 1));
}

// An OLE compound file: a legacy .xls, or an encrypted OOXML workbook whose
// package sits in the stream "EncryptedPackage".
void RejectCompoundFile(const std::string& path, const std::string& bytes) {
  static const char sig[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  if (bytes.size() < 8 || bytes.compare(0, 8, sig, 8) != 0) return;
  static const char enc[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
  if (bytes.find(std::string(enc, sizeof enc - 1)) != std::string::npos) {
    throw EXlsxError(path +
                         ": the workbook is encrypted (protected by a password to open); remove "
                         "the password in Excel and save it again",
                     EXlsxError::Kind::Encrypted);
  }
  throw EXlsxError(path + ": the .xls format cannot be opened; save the model workbook as .xlsx",
                   EXlsxError::Kind::Legacy);
}

std::string ReadWholeFile(const std::string& path) {
  // Opened without waiting, then looked at: a FIFO would block the read
  // until someone writes, and a device such as /dev/zero never ends.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    struct stat st {};
    if (err == ENOENT || err == ENOTDIR)
      throw EXlsxError(path + ": the file cannot be found", EXlsxError::Kind::NotFound);
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      throw EXlsxError(path + ": is a folder, not a workbook file", EXlsxError::Kind::NotAFile);
    throw EXlsxError(path + ": the file cannot be read (" + std::strerror(err) + ")",
                     EXlsxError::Kind::Unreadable);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (fstat(fd, &st) != 0)
    throw EXlsxError(path + ": the file cannot be read (" + std::strerror(errno) + ")",
                     EXlsxError::Kind::Unreadable);
  if (S_ISDIR(st.st_mode))
    throw EXlsxError(path + ": is a folder, not a workbook file", EXlsxError::Kind::NotAFile);
  if (!S_ISREG(st.st_mode))
    throw EXlsxError(path + ": is not a regular file (a device, a FIFO or a socket)",
                     EXlsxError::Kind::NotAFile);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EXlsxError(path + ": the file cannot be read (" + std::strerror(errno) + ")",
                       EXlsxError::Kind::Unreadable);
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

// A part compressed by us, handed to libzip as an entry that is already
// deflated: libzip then copies it as it is. One deflate stream is reused for
// all parts of a thread (libzip would set one up and tear it down per
// entry), and the parts are compressed on two threads.
struct Deflated {
  // Sized for the worst case, which deflate rarely comes near: the buffer is
  // left uninitialized so that only the pages deflate writes are touched.
  std::unique_ptr<char[]> buffer;
  std::string_view data;
  uLong crc = 0;
  zip_uint64_t size = 0;
  bool ok = false;
};

// Deflates `in` with the stream (set up for raw deflate) into d.
void DeflateOne(z_stream& z, std::string_view in, Deflated& d) {
  d.size = in.size();
  d.crc = crc32(0L, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(in.size()));
  const uLong bound = deflateBound(&z, static_cast<uLong>(in.size()));
  d.buffer.reset(new char[bound]);
  deflateReset(&z);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(d.buffer.get());
  z.avail_out = static_cast<uInt>(bound);
  int rc = deflate(&z, Z_FINISH);
  d.ok = rc == Z_STREAM_END;
  d.data = std::string_view(d.buffer.get(), z.total_out);
}

bool DeflateInit(z_stream& z, int level) {
  return deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

void DeflateAll(const std::vector<const std::string*>& inputs, std::vector<Deflated>& out,
                int level, std::size_t first, std::size_t step) {
  z_stream z{};
  if (!DeflateInit(z, level)) return;
  for (std::size_t i = first; i < inputs.size(); i += step)
    if (inputs[i]) DeflateOne(z, *inputs[i], out[i]);
  deflateEnd(&z);
}

zip_int64_t DeflatedSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* d = static_cast<std::pair<const Deflated*, std::size_t>*>(state);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      d->second = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      std::size_t left = d->first->data.size() - d->second;
      std::size_t n = std::min<std::size_t>(left, len);
      std::memcpy(data, d->first->data.data() + d->second, n);
      d->second += n;
      return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->size = d->first->size;
      st->comp_size = d->first->data.size();
      st->comp_method = ZIP_CM_DEFLATE;
      st->crc = static_cast<zip_uint32_t>(d->first->crc);
      st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
      return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
      return 2 * sizeof(int);
    case ZIP_SOURCE_FREE:
      delete d;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                            ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                            ZIP_SOURCE_SUPPORTS, -1);
    default:
      return -1;
  }
}

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

}  // namespace

// ---------------------------------------------------------------- relationships

std::string_view RelKind(std::string_view type) {
  auto slash = type.rfind('/');
  return slash == std::string_view::npos ? type : type.substr(slash + 1);
}

void Relationships::Parse(std::string_view xml, const std::string& partName) {
  pugi::xml_document doc;
  ParseXml(doc, xml, partName);
  items_.clear();
  ForEachChild(doc.document_element(), "Relationship", [&](pugi::xml_node n) {
    Relationship r;
    r.id = n.attribute("Id").value();
    r.type = n.attribute("Type").value();
    r.target = n.attribute("Target").value();
    r.external = std::string_view(n.attribute("TargetMode").value()) == "External";
    items_.push_back(std::move(r));
  });
  IndexIds();
}

void Relationships::IndexIds() {
  byId_.clear();
  for (std::size_t i = 0; i < items_.size(); ++i) byId_.emplace(items_[i].id, i);
}

void Relationships::Add(Relationship r) {
  byId_.emplace(r.id, items_.size());
  items_.push_back(std::move(r));
}

std::string Relationships::Serialize() const {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (const auto& r : items_) {
    out += "<Relationship Id=\"";
    AppendAttrEscaped(out, r.id);
    out += "\" Type=\"";
    AppendAttrEscaped(out, r.type);
    out += "\" Target=\"";
    AppendAttrEscaped(out, r.target);
    out += r.external ? "\" TargetMode=\"External\"/>" : "\"/>";
  }
  out += "</Relationships>";
  return out;
}

const Relationship* Relationships::ById(std::string_view id) const {
  auto it = byId_.find(std::string(id));
  return it == byId_.end() ? nullptr : &items_[it->second];
}

const Relationship* Relationships::ByType(std::string_view typeSuffix) const {
  for (const auto& r : items_)
    if (RelKind(r.type) == typeSuffix) return &r;
  return nullptr;
}

std::string Relationships::NewId() const {
  for (std::size_t n = items_.size() + 1;; ++n) {
    std::string id = "rId" + std::to_string(n);
    if (!ById(id)) return id;
  }
}

void Relationships::RemoveById(std::string_view id) {
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [&](const Relationship& r) { return r.id == id; }),
               items_.end());
  IndexIds();
}

// ---------------------------------------------------------------- package

void XlsxPackage::Load(const std::string& path) {
  std::string bytes = ReadWholeFile(path);
  if (bytes.empty())
    throw EXlsxError(path + ": the file is empty, not an Excel workbook",
                     EXlsxError::Kind::NotWorkbook);
  RejectCompoundFile(path, bytes);
  zip_error_t zerr;
  zip_error_init(&zerr);
  zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerr);
  if (!src)
    throw EXlsxError(path + ": cannot be read as a zip file", EXlsxError::Kind::NotWorkbook);
  std::unique_ptr<zip_t, ZipCloser> za(zip_open_from_source(src, ZIP_RDONLY, &zerr));
  if (!za) {
    zip_source_free(src);
    std::string why = zip_error_strerror(&zerr);
    zip_error_fini(&zerr);
    throw EXlsxError(path + ": is not an Excel workbook (.xlsx): not a zip file (" + why + ")",
                     EXlsxError::Kind::NotWorkbook);
  }
  zip_error_fini(&zerr);

  // Every entry is looked at before any is inflated: names, encryption and
  // the sizes the central directory declares.
  struct Entry {
    zip_uint64_t index;
    std::string name;
    zip_uint64_t size;
  };
  std::vector<Entry> entries;
  std::map<std::string, std::string> seen;  // lower-case name -> name
  zip_int64_t count = zip_get_num_entries(za.get(), 0);
  zip_uint64_t total = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(za.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0)
      throw EXlsxError(path + ": the zip entry number " + std::to_string(i + 1) +
                       " cannot be read (" + zip_strerror(za.get()) + ")");
    std::string name = st.name ? st.name : "";
    if (name.empty()) throw EXlsxError(path + ": a zip entry has no name");
    if (std::string why = BadEntryName(name); !why.empty())
      throw EXlsxError(path + ": the zip entry name \"" + name + "\" " + why +
                       "; the file is damaged or not a workbook");
    if (name.back() == '/') continue;  // folder entries carry no part
    if (st.encryption_method != ZIP_EM_NONE)
      throw EXlsxError(path + ": the zip entry " + name + " is encrypted");
    auto [at, fresh] = seen.emplace(Lower(name), name);
    if (!fresh)
      throw EXlsxError(path + ": the zip holds the part " + name + " twice" +
                       (at->second == name ? "" : " (as " + at->second + ")") +
                       "; the file is damaged");
    if (!(st.valid & ZIP_STAT_SIZE))
      throw EXlsxError(path + ": the zip entry " + name + " does not say its size");
    if (st.size > kMaxPartBytes)
      throw EXlsxError(path + ": the part " + name + " would inflate to " + Megabytes(st.size) +
                           ", more than the " + Megabytes(kMaxPartBytes) +
                           " a part of a model workbook may hold",
                       EXlsxError::Kind::TooLarge);
    total += st.size;
    if (total > kMaxTotalBytes)
      throw EXlsxError(path + ": the parts would inflate to more than the " +
                           Megabytes(kMaxTotalBytes) + " a model workbook may hold in all",
                       EXlsxError::Kind::TooLarge);
    entries.push_back({static_cast<zip_uint64_t>(i), name, st.size});
  }
  for (const Entry& e : entries) {
    std::unique_ptr<zip_file_t, ZipFileCloser> f(zip_fopen_index(za.get(), e.index, 0));
    if (!f) {
      throw EXlsxError(path + ": the zip entry " + e.name + " cannot be read (" +
                       zip_strerror(za.get()) + ")");
    }
    Part part{e.name, std::string(e.size, '\0'), false, nullptr};
    zip_int64_t got = e.size ? zip_fread(f.get(), part.data.data(), e.size) : 0;
    if (got < 0 || static_cast<zip_uint64_t>(got) != e.size)
      throw EXlsxError(path + ": the zip entry " + e.name + " is damaged");
    // Inflating stops at the declared size: an entry whose data goes on is
    // damaged (or lies about its size), not read on into memory.
    char extra;
    if (zip_fread(f.get(), &extra, 1) != 0)
      throw EXlsxError(path + ": the zip entry " + e.name +
                       " holds more data than its declared size; the file is damaged");
    index_[Lower(part.name)] = parts_.size();
    parts_.push_back(std::move(part));
  }
  if (!Has(kContentTypesPart))
    throw EXlsxError(path + ": is a zip file but not an Excel workbook (no [Content_Types].xml)",
                     EXlsxError::Kind::NotWorkbook);
  ParseContentTypes();
}

std::size_t XlsxPackage::IndexOf(const std::string& part) const {
  auto it = index_.find(Lower(StripSlash(part)));
  if (it == index_.end() || parts_[it->second].removed) return std::string::npos;
  return it->second;
}

bool XlsxPackage::Has(const std::string& part) const {
  return IndexOf(part) != std::string::npos;
}

const std::string& XlsxPackage::Data(const std::string& part) const {
  std::size_t i = IndexOf(part);
  if (i == std::string::npos) throw EXlsxError("the workbook has no part " + part);
  const Part& p = parts_[i];
  if (p.packed && p.data.size() != p.packed->size) p.data = Inflate(p);
  return p.data;
}

std::string XlsxPackage::Read(const std::string& part) const {
  std::size_t i = IndexOf(part);
  if (i == std::string::npos) throw EXlsxError("the workbook has no part " + part);
  const Part& p = parts_[i];
  if (p.packed && p.data.size() != p.packed->size) return Inflate(p);
  return p.data;
}

std::string XlsxPackage::Inflate(const Part& part) {
  const PackedPart& packed = *part.packed;
  std::string out(packed.size, '\0');
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK)
    throw EXlsxError("the part " + part.name + " cannot be inflated (out of memory)");
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.deflated.data()));
  z.avail_in = static_cast<uInt>(packed.deflated.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  const bool whole = rc == Z_STREAM_END && z.total_out == packed.size;
  inflateEnd(&z);
  if (!whole ||
      crc32(0L, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())) !=
          packed.crc)
    throw EXlsxError("internal error: the part " + part.name + " held aside is damaged");
  return out;
}

struct XlsxPackage::PackStream {
  z_stream z{};
  int level = 0;
  ~PackStream() { deflateEnd(&z); }
};

XlsxPackage::XlsxPackage() = default;
XlsxPackage::~XlsxPackage() = default;

std::shared_ptr<const PackedPart> XlsxPackage::Pack(std::string_view data) const {
  if (!packStream_ || packStream_->level != level_) {
    packStream_.reset();
    auto stream = std::make_unique<PackStream>();
    if (!DeflateInit(stream->z, level_))
      throw EXlsxError("compressing a part failed (out of memory)");
    stream->level = level_;
    packStream_ = std::move(stream);
  }
  Deflated d;
  DeflateOne(packStream_->z, data, d);
  if (!d.ok) throw EXlsxError("compressing a part failed");
  auto packed = std::make_shared<PackedPart>();
  packed->deflated.assign(d.data);
  packed->crc = static_cast<std::uint32_t>(d.crc);
  packed->size = d.size;
  packed->level = level_;
  return packed;
}

void XlsxPackage::SetPacked(const std::string& part, std::shared_ptr<const PackedPart> packed) {
  std::size_t i = IndexOf(part);
  if (i == std::string::npos) throw EXlsxError("the workbook has no part " + part);
  std::string().swap(parts_[i].data);
  parts_[i].packed = std::move(packed);
}

void XlsxPackage::SetData(const std::string& part, std::string data) {
  std::size_t i = IndexOf(part);
  if (i != std::string::npos) {
    // A swap, not a move: moving a short string in keeps the old buffer.
    parts_[i].data.swap(data);
    parts_[i].packed.reset();
    return;
  }
  std::string name = StripSlash(part);
  index_[Lower(name)] = parts_.size();
  parts_.push_back({name, std::move(data), false, nullptr});
}

void XlsxPackage::Remove(const std::string& part) {
  std::size_t i = IndexOf(part);
  if (i == std::string::npos) return;
  parts_[i].removed = true;
  std::string().swap(parts_[i].data);
  parts_[i].packed.reset();
  index_.erase(Lower(parts_[i].name));
  RemoveOverride(part);
}

std::vector<std::string> XlsxPackage::PartNames() const {
  std::vector<std::string> names;
  for (const auto& p : parts_)
    if (!p.removed) names.push_back(p.name);
  return names;
}

void XlsxPackage::ParseContentTypes() {
  typesDoc_ = std::make_unique<pugi::xml_document>();
  ParseXml(*typesDoc_, Data(kContentTypesPart), kContentTypesPart);
  pugi::xml_node root = typesDoc_->document_element();
  ForEachChild(root, "Default", [&](pugi::xml_node n) {
    defaults_[Lower(n.attribute("Extension").value())] = n.attribute("ContentType").value();
  });
  ForEachChild(root, "Override", [&](pugi::xml_node n) {
    overrides_[Lower(StripSlash(n.attribute("PartName").value()))] =
        n.attribute("ContentType").value();
  });
}

std::string XlsxPackage::ContentType(const std::string& part) const {
  auto o = overrides_.find(Lower(StripSlash(part)));
  if (o != overrides_.end()) return o->second;
  auto d = defaults_.find(Extension(part));
  return d == defaults_.end() ? std::string() : d->second;
}

bool XlsxPackage::HasOverride(const std::string& part) const {
  return overrides_.count(Lower(StripSlash(part))) != 0;
}

void XlsxPackage::SetOverride(const std::string& part, const std::string& contentType) {
  std::string key = Lower(StripSlash(part));
  auto d = defaults_.find(Extension(part));
  if (!HasOverride(part) && d != defaults_.end() && d->second == contentType) return;
  auto known = overrides_.find(key);
  if (known != overrides_.end() && known->second == contentType) return;
  pugi::xml_node root = typesDoc_->document_element();
  pugi::xml_node found;
  if (overrides_.count(key)) {
    ForEachChild(root, "Override", [&](pugi::xml_node n) {
      if (Lower(StripSlash(n.attribute("PartName").value())) == key) found = n;
    });
  }
  if (!found) {
    found = root.append_child((PrefixOf(root) + "Override").c_str());
    found.append_attribute("PartName") = ("/" + StripSlash(part)).c_str();
    found.append_attribute("ContentType");
  }
  found.attribute("ContentType").set_value(contentType.c_str());
  overrides_[key] = contentType;
  typesDirty_ = true;
}

void XlsxPackage::RemoveOverride(const std::string& part) {
  std::string key = Lower(StripSlash(part));
  if (!overrides_.erase(key)) return;
  pugi::xml_node root = typesDoc_->document_element();
  for (pugi::xml_node n = root.first_child(); n;) {
    pugi::xml_node next = n.next_sibling();
    if (LocalName(n) == "Override" && Lower(StripSlash(n.attribute("PartName").value())) == key)
      root.remove_child(n);
    n = next;
  }
  typesDirty_ = true;
}

void XlsxPackage::RemoveDefaultsOf(const std::string& contentType) {
  std::erase_if(defaults_, [&](const auto& d) { return d.second == contentType; });
  pugi::xml_node root = typesDoc_->document_element();
  for (pugi::xml_node n = root.first_child(); n;) {
    pugi::xml_node next = n.next_sibling();
    if (LocalName(n) == "Default" && contentType == n.attribute("ContentType").value()) {
      root.remove_child(n);
      typesDirty_ = true;
    }
    n = next;
  }
}

std::string XlsxPackage::RelsPartOf(const std::string& part) {
  std::string name = StripSlash(part);
  auto slash = name.rfind('/');
  if (slash == std::string::npos) return "_rels/" + name + ".rels";
  return name.substr(0, slash + 1) + "_rels/" + name.substr(slash + 1) + ".rels";
}

std::string XlsxPackage::ResolveTarget(const std::string& sourcePart, const std::string& target) {
  std::string t = target;
  auto hash = t.find('#');
  if (hash != std::string::npos) t.resize(hash);
  std::string joined = !t.empty() && t[0] == '/' ? t : Folder(StripSlash(sourcePart)) + t;
  std::vector<std::string> segs;
  std::size_t start = 0;
  while (start <= joined.size()) {
    std::size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    std::string seg = joined.substr(start, end - start);
    if (seg == "..") {
      if (segs.empty())
        throw EXlsxError("the relationship target \"" + target + "\" of the part " +
                         (sourcePart.empty() ? std::string("package") : StripSlash(sourcePart)) +
                         " points outside the package");
      segs.pop_back();
    } else if (!seg.empty() && seg != ".") {
      segs.push_back(seg);
    }
    start = end + 1;
  }
  std::string out;
  for (const auto& s : segs) out += (out.empty() ? "" : "/") + s;
  return out;
}

std::string XlsxPackage::RelativeTarget(const std::string& sourcePart, const std::string& part) {
  std::string from = Folder(StripSlash(sourcePart));
  std::string to = StripSlash(part);
  // Common folder prefix, then one ".." per remaining folder of the source.
  std::size_t common = 0;
  for (std::size_t i = 0; i < from.size() && i < to.size() && from[i] == to[i]; ++i)
    if (from[i] == '/') common = i + 1;
  std::string up;
  for (std::size_t i = common; i < from.size(); ++i)
    if (from[i] == '/') up += "../";
  return up + to.substr(common);
}

Relationships XlsxPackage::ReadRels(const std::string& part) const {
  Relationships rels;
  std::string relsPart = RelsPartOf(part);
  if (Has(relsPart)) rels.Parse(Data(relsPart), relsPart);
  return rels;
}

void XlsxPackage::WriteRels(const std::string& part, const Relationships& rels) {
  std::string relsPart = RelsPartOf(part);
  if (rels.Items().empty()) {
    Remove(relsPart);
    return;
  }
  SetData(relsPart, rels.Serialize());
}

std::string XlsxPackage::FreePartName(const std::string& like) const {
  std::string name = StripSlash(like);
  auto slash = name.rfind('/');
  auto dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = name.size();
  std::size_t stemEnd = dot;
  while (stemEnd > (slash == std::string::npos ? 0 : slash + 1) &&
         std::isdigit(static_cast<unsigned char>(name[stemEnd - 1])))
    --stemEnd;
  std::string head = name.substr(0, stemEnd), tail = name.substr(dot);
  int& hint = freeHint_[head + "*" + tail];
  for (int n = std::max(hint, 1);; ++n) {
    std::string candidate = head + std::to_string(n) + tail;
    if (!Has(candidate) && !Has(RelsPartOf(candidate))) {
      hint = n;  // lower numbers were all taken; a removed part is simply not reused
      return candidate;
    }
  }
}

void XlsxPackage::Save(const std::string& path) {
  if (typesDirty_) {
    SetData(kContentTypesPart, PrintXml(*typesDoc_));
    typesDirty_ = false;
  }
  std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/'));
  if (folder.empty()) folder = "/";
  std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  std::string tmpl = folder + "/." + base + ".XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  int fd = mkstemp(buf.data());
  if (fd < 0)
    throw EXlsxError(path + ": cannot be saved: no file can be made in its folder (" +
                     std::strerror(errno) + ")");
  ::close(fd);
  std::string tmp = buf.data();
  auto fail = [&](const std::string& why) {
    ::unlink(tmp.c_str());
    throw EXlsxError(path + ": cannot be saved (" + why + ")");
  };

  int zerr = 0;
  zip_t* za = zip_open(tmp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zerr);
  if (!za) fail("the zip file cannot be created");
  // [Content_Types].xml first, the way Office writes packages.
  std::vector<const Part*> order;
  for (const auto& p : parts_)
    if (!p.removed && p.name == kContentTypesPart) order.push_back(&p);
  for (const auto& p : parts_)
    if (!p.removed && p.name != kContentTypesPart) order.push_back(&p);
  // Parts packed beforehand at this level are written as they are; the
  // rest are deflated now.
  std::vector<const std::string*> inputs;
  std::vector<Deflated> deflated(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Part& p = *order[i];
    if (p.packed && p.packed->level == level_) {
      deflated[i].data = p.packed->deflated;
      deflated[i].crc = p.packed->crc;
      deflated[i].size = p.packed->size;
      deflated[i].ok = true;
      inputs.push_back(nullptr);
      continue;
    }
    if (p.packed && p.data.size() != p.packed->size) p.data = Inflate(p);
    inputs.push_back(&p.data);
  }
  {
    std::thread second(DeflateAll, std::cref(inputs), std::ref(deflated), level_, 1, 2);
    DeflateAll(inputs, deflated, level_, 0, 2);
    second.join();
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (!deflated[i].ok) {
      zip_discard(za);
      fail("compressing " + order[i]->name + " failed");
    }
    auto* state = new std::pair<const Deflated*, std::size_t>(&deflated[i], 0);
    zip_source_t* s = zip_source_function(za, DeflatedSource, state);
    if (!s) delete state;
    zip_int64_t idx = s ? zip_file_add(za, order[i]->name.c_str(), s, ZIP_FL_ENC_UTF_8) : -1;
    if (idx < 0) {
      if (s) zip_source_free(s);
      std::string why = zip_strerror(za);
      zip_discard(za);
      fail(why);
    }
  }
  if (zip_close(za) != 0) {
    std::string why = zip_strerror(za);
    zip_discard(za);
    fail(why);
  }
  // Keep the permissions of the file we replace; a new file gets the usual ones.
  struct stat st {};
  mode_t mode;
  if (stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  ::chmod(tmp.c_str(), mode);
  int tfd = ::open(tmp.c_str(), O_RDONLY);
  if (tfd >= 0) {
    ::fsync(tfd);
    ::close(tfd);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) fail(std::strerror(errno));
}

}  // namespace zel::xl
