#include "xlsx/WorksheetModel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_set>

#include "xlsx/FormulaRefs.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

// Marks the place of the cells when the rest of the part is printed.
constexpr const char* kCellsMarker = "ZELMORA-SHEETDATA";

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

std::string PrintNode(const pugi::xml_node& n) {
  StringWriter w;
  n.print(w, "", pugi::format_raw, pugi::encoding_utf8);
  return std::move(w.out);
}

// The t values whose <v> we can carry without the raw element.
bool IsPlainType(std::string_view t) {
  return t == "b" || t == "e" || t == "str" || t == "d" || t == "n";
}

}  // namespace

std::string ColumnName(int column) {
  std::string s;
  while (column > 0) {
    int rem = (column - 1) % 26;
    s.insert(s.begin(), static_cast<char>('A' + rem));
    column = (column - 1) / 26;
  }
  return s;
}

bool ParseCellRef(std::string_view ref, int& row, int& column) {
  std::size_t i = 0;
  long c = 0, r = 0;
  while (i < ref.size() && i < 3 && std::isalpha(static_cast<unsigned char>(ref[i]))) {
    c = c * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    ++i;
  }
  if (i == 0 || i == ref.size()) return false;
  std::size_t digits = i;
  while (i < ref.size() && std::isdigit(static_cast<unsigned char>(ref[i])) && i - digits < 8)
    r = r * 10 + (ref[i++] - '0');
  if (i != ref.size() || i == digits) return false;
  if (c < 1 || c > kMaxColumns || r < 1 || r > kMaxRows) return false;
  row = static_cast<int>(r);
  column = static_cast<int>(c);
  return true;
}

void CellString::assign(std::string_view s) {
  if (s.size() <= kInPlace) {
    char copy[kInPlace];  // s may lie in this very string
    std::memcpy(copy, s.data(), s.size());
    Free();
    std::memcpy(buf_, copy, s.size());
    buf_[s.size()] = '\0';
    buf_[kTag] = static_cast<char>(s.size());
    return;
  }
  if (s.size() > UINT32_MAX) throw EXlsxError("a cell holds more text than a worksheet can");
  char* p = new char[s.size() + 1];
  std::memcpy(p, s.data(), s.size());
  p[s.size()] = '\0';
  Free();
  auto n = static_cast<uint32_t>(s.size());
  std::memcpy(buf_, &p, sizeof p);
  std::memcpy(buf_ + sizeof p, &n, sizeof n);
  buf_[kTag] = static_cast<char>(kHeap);
}

WorksheetModel::RowCells* WorksheetModel::NewCells(std::size_t capacity) {
  void* mem = ::operator new(sizeof(RowCells) + capacity * sizeof(Cell));
  auto* cells = new (mem) RowCells;
  cells->refs.store(1, std::memory_order_relaxed);
  cells->count = 0;
  cells->capacity = static_cast<uint16_t>(capacity);
  return cells;
}

void WorksheetModel::Release(RowCells* cells) noexcept {
  if (!cells || cells->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  for (Cell& c : *cells) c.~Cell();
  cells->~RowCells();
  ::operator delete(cells);
}

WorksheetModel::~WorksheetModel() {
  for (RowSlot& r : rows_) Release(r.cells);
}

const WorksheetModel::RowInfo& WorksheetModel::InfoOf(const RowSlot& row) const {
  static const RowInfo plain;
  return rowInfo_ && row.info ? (*rowInfo_)[row.info] : plain;
}

namespace {

// A worksheet part cut around the inside of its <sheetData>, so the rows can
// be read a slice at a time instead of as one tree of the whole part (which
// takes many times the part's size). Only plain UTF-8 markup is cut: with
// comments, CDATA or processing instructions among the rows the part is
// read whole.
struct SheetDataSplit {
  std::string skeleton;  // the part with <sheetData> emptied
  std::string_view rows;
  std::string prefix;
};

bool NameChar(char c) {
  auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '-' || c == '.' || u >= 0x80;
}

bool SplitSheetData(std::string_view xml, SheetDataSplit& out) {
  std::size_t start = xml.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  if (xml.find_first_not_of(" \t\r\n", start) == std::string_view::npos ||
      xml[xml.find_first_not_of(" \t\r\n", start)] != '<')
    return false;
  for (std::size_t at = xml.find("sheetData"); at != std::string_view::npos;
       at = xml.find("sheetData", at + 9)) {
    std::size_t lt = at;
    while (lt > 0 && NameChar(xml[lt - 1])) --lt;
    if (lt != at && xml[at - 1] != ':') continue;
    std::string prefix;
    if (lt != at) {  // "x:" before the name
      std::size_t p = at - 1;
      lt = p;
      while (lt > 0 && NameChar(xml[lt - 1])) --lt;
      prefix = std::string(xml.substr(lt, at - lt));
    }
    if (lt == 0 || xml[lt - 1] != '<') continue;
    std::size_t after = at + 9;
    if (after >= xml.size()) return false;
    std::size_t gt = xml.find('>', after);
    if (gt == std::string_view::npos || xml[gt - 1] == '/') return false;  // <sheetData/>
    if (xml[after] != '>' && !std::isspace(static_cast<unsigned char>(xml[after]))) continue;
    const std::string close = "</" + prefix + "sheetData>";
    std::size_t end = xml.rfind(close);
    if (end == std::string_view::npos || end < gt) return false;
    std::string_view rows = xml.substr(gt + 1, end - gt - 1);
    if (rows.find("<!") != std::string_view::npos || rows.find("<?") != std::string_view::npos)
      return false;
    out.rows = rows;
    out.prefix = prefix;
    out.skeleton.reserve(xml.size() - rows.size());
    out.skeleton.append(xml.substr(0, gt + 1));
    out.skeleton.append(xml.substr(end));
    return true;
  }
  return false;
}

// How many row elements the text of <sheetData> opens, to size the row
// index once.
std::size_t CountRows(std::string_view rows, const std::string& prefix) {
  const std::string open = "<" + prefix + "row";
  std::size_t n = 0;
  for (std::size_t at = rows.find(open); at != std::string_view::npos;
       at = rows.find(open, at + open.size())) {
    std::size_t after = at + open.size();
    if (after < rows.size() && !NameChar(rows[after]) && rows[after] != ':') ++n;
  }
  return n;
}

// About this many bytes of rows are held as a tree at a time.
constexpr std::size_t kRowSliceBytes = 1u << 20;

}  // namespace

void WorksheetModel::Parse(std::string_view xml, const std::string& partName) {
  SheetDataSplit split;
  const bool sliced = SplitSheetData(xml, split);
  ParseXml(doc_, sliced ? std::string_view(split.skeleton) : xml, partName);
  pugi::xml_node root = doc_.document_element();
  if (LocalName(root) != "worksheet")
    throw EXlsxError("the part " + partName + " is not a worksheet");
  prefix_ = PrefixOf(root);
  sheetData_ = Child(root, "sheetData");
  if (!sheetData_) throw EXlsxError("the worksheet " + partName + " has no <sheetData>");

  ForEachChild(Child(root, "cols"), "col", [&](pugi::xml_node c) {
    if (!Attr(c, "style")) return;
    colStyles_.push_back({static_cast<uint32_t>(ToLong(c.attribute("min").value())),
                          static_cast<uint32_t>(ToLong(c.attribute("max").value())),
                          static_cast<uint32_t>(ToLong(c.attribute("style").value()))});
  });

  const std::string where = " in " + partName;
  // Rows with the same attributes and tail share one entry of the table.
  auto info = std::make_shared<std::vector<RowInfo>>(1);
  auto infoHash = [&](uint32_t i) {
    const RowInfo& ri = (*info)[i];
    return std::hash<std::string>()(ri.attrs) * 31 + std::hash<std::string>()(ri.tail);
  };
  auto infoEqual = [&](uint32_t a, uint32_t b) {
    return (*info)[a].attrs == (*info)[b].attrs && (*info)[a].tail == (*info)[b].tail;
  };
  std::unordered_set<uint32_t, decltype(infoHash), decltype(infoEqual)> infoIndex(64, infoHash,
                                                                                   infoEqual);
  std::vector<Cell> cells;
  long lastRow = 0;
  auto readRow = [&](pugi::xml_node rn) {
    long r = rn.attribute("r") ? ToLong(rn.attribute("r").value()) : lastRow + 1;
    if (r < 1 || r > kMaxRows || r <= lastRow)
      throw EXlsxError("a row number" + where + " is missing, out of order or out of range");
    lastRow = r;
    RowInfo& row = info->emplace_back();
    for (pugi::xml_attribute a = rn.first_attribute(); a; a = a.next_attribute()) {
      std::string_view n = a.name();
      if (n == "r" || n == "spans") continue;
      if (n == "s") row.style = static_cast<uint32_t>(std::max(0L, ToLong(a.value())));
      if (n == "customFormat") row.customFormat = IsTrue(a.value());
      row.attrs += ' ';
      row.attrs += n;
      row.attrs += "=\"";
      AppendAttrEscaped(row.attrs, a.value());
      row.attrs += '"';
    }
    cells.clear();
    long lastCol = 0;
    for (pugi::xml_node cn = rn.first_child(); cn; cn = cn.next_sibling()) {
      if (cn.type() != pugi::node_element) continue;
      if (LocalName(cn) != "c") {
        row.tail += PrintNode(cn);
        continue;
      }
      int cr = 0, cc = 0;
      pugi::xml_attribute ra = cn.attribute("r");
      if (ra) {
        if (!ParseCellRef(ra.value(), cr, cc) || cr != r)
          throw EXlsxError("the cell reference \"" + std::string(ra.value()) + "\"" + where +
                           " is not valid");
      } else {
        cc = static_cast<int>(lastCol + 1);
        if (cc > kMaxColumns) throw EXlsxError("a row" + where + " has too many cells");
        cn.append_attribute("r") = (ColumnName(cc) + std::to_string(r)).c_str();
      }
      if (cc <= lastCol)
        throw EXlsxError("the cells of row " + std::to_string(r) + where + " are out of order");
      lastCol = cc;
      Cell& cell = cells.emplace_back();
      cell.column = static_cast<uint16_t>(cc);
      std::string_view t;
      bool raw = false;
      for (pugi::xml_attribute a = cn.first_attribute(); a; a = a.next_attribute()) {
        std::string_view n = a.name();
        if (n == "r") continue;
        if (n == "s")
          cell.style = static_cast<uint32_t>(std::max(0L, ToLong(a.value())));
        else if (n == "t")
          t = a.value();
        else
          raw = true;
      }
      pugi::xml_node v;
      for (pugi::xml_node k = cn.first_child(); k; k = k.next_sibling()) {
        if (k.type() != pugi::node_element) continue;
        if (LocalName(k) == "v" && !v)
          v = k;
        else
          raw = true;
      }
      if (!raw && !t.empty() && t != "s" && !IsPlainType(t)) raw = true;
      if (raw) {
        cell.kind = Kind::Raw;
        cell.value = PrintNode(cn);
        if (Child(cn, "f")) hasFormulas_ = true;
      } else if (!v) {
        cell.kind = Kind::Empty;
      } else if (t == "s") {
        cell.kind = Kind::Shared;
        cell.value = v.text().get();
        long index = ToLong(cell.value.c_str());
        if (index < 0)
          throw EXlsxError("the cell " + ColumnName(cc) + std::to_string(r) + where +
                           " refers to the shared string \"" + std::string(cell.value.view()) +
                           "\", which is not an index");
        maxShared_ = std::max(maxShared_, index);
      } else if (t.empty() || t == "n") {
        cell.kind = Kind::Number;
        cell.value = v.text().get();
      } else {
        cell.kind = Kind::Typed;
        std::string typed(t);
        typed += '\0';
        typed += v.text().get();
        cell.value = typed;
      }
      maxStyle_ = std::max(maxStyle_, cell.style);
    }
    maxStyle_ = std::max(maxStyle_, row.style);
    uint32_t infoAt = 0;
    if (row.attrs.empty() && row.tail.empty()) {
      info->pop_back();
    } else {
      auto [known, fresh] = infoIndex.insert(static_cast<uint32_t>(info->size() - 1));
      if (!fresh) info->pop_back();
      infoAt = *known;
    }
    RowCells* block = nullptr;
    if (!cells.empty()) {
      block = NewCells(cells.size());
      for (Cell& c : cells) {
        new (block->end()) Cell(std::move(c));
        ++block->count;
      }
    }
    rows_.push_back({block, static_cast<uint32_t>(r), infoAt});
  };
  if (!sliced || split.prefix != prefix_) {
    std::size_t count = 0;
    ForEachChild(sheetData_, "row", [&](pugi::xml_node) { ++count; });
    rows_.reserve(std::min<std::size_t>(count, kMaxRows));
    ForEachChild(sheetData_, "row", readRow);
  } else {
    rows_.reserve(std::min<std::size_t>(CountRows(split.rows, prefix_), kMaxRows));
    const std::string closeRow = "</" + prefix_ + "row>";
    const std::string open = "<" + prefix_ + "sheetData>", close = "</" + prefix_ + "sheetData>";
    std::string_view rows = split.rows;
    std::string slice;
    for (std::size_t pos = 0; pos < rows.size();) {
      std::size_t end = rows.size();
      if (rows.size() - pos > kRowSliceBytes) {
        std::size_t e = rows.find(closeRow, pos + kRowSliceBytes);
        if (e != std::string_view::npos) end = e + closeRow.size();
      }
      slice.assign(open);
      slice.append(rows.substr(pos, end - pos));
      slice.append(close);
      pugi::xml_document piece;
      ParseXml(piece, slice, partName);
      ForEachChild(piece.document_element(), "row", readRow);
      pos = end;
    }
  }
  rowInfo_ = std::move(info);
  for (const auto& c : colStyles_) maxStyle_ = std::max(maxStyle_, c.style);
  while (sheetData_.first_child()) sheetData_.remove_child(sheetData_.first_child());
  sheetData_.append_child(pugi::node_pcdata).set_value(kCellsMarker);
  dimension_ = Child(root, "dimension");
}

void WorksheetModel::LocateNodes() {
  pugi::xml_node root = doc_.document_element();
  sheetData_ = Child(root, "sheetData");
  dimension_ = Child(root, "dimension");
}

std::unique_ptr<WorksheetModel> WorksheetModel::Clone() const {
  auto copy = std::make_unique<WorksheetModel>();
  copy->doc_.reset(doc_);
  copy->LocateNodes();
  copy->prefix_ = prefix_;
  copy->rows_ = rows_;
  for (const RowSlot& r : rows_)
    if (r.cells) r.cells->refs.fetch_add(1, std::memory_order_relaxed);
  copy->rowInfo_ = rowInfo_;
  copy->colStyles_ = colStyles_;
  copy->hasFormulas_ = hasFormulas_;
  copy->maxShared_ = maxShared_;
  copy->maxStyle_ = maxStyle_;
  return copy;
}

uint32_t WorksheetModel::DefaultStyle(const RowSlot& row, int column) const {
  const RowInfo& info = InfoOf(row);
  if (info.customFormat) return info.style;
  for (const auto& c : colStyles_)
    if (static_cast<uint32_t>(column) >= c.min && static_cast<uint32_t>(column) <= c.max)
      return c.style;
  return 0;
}

namespace {

template <typename Cells>
auto CellAt(Cells& cells, uint32_t column) {
  return std::lower_bound(cells.begin(), cells.end(), column,
                          [](const auto& c, uint32_t v) { return c.column < v; });
}

}  // namespace

WorksheetModel::Cell& WorksheetModel::At(int row, int column) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
    throw EXlsxError("the cell at row " + std::to_string(row) + ", column " +
                     std::to_string(column) + " lies outside the worksheet (rows 1 to " +
                     std::to_string(kMaxRows) + ", columns 1 to " + std::to_string(kMaxColumns) +
                     ")");
  }
  RowSlot& slot = *SlotOf(row);
  auto col = static_cast<uint32_t>(column);
  std::size_t pos = 0;
  if (const RowCells* have = slot.cells) {
    pos = have->count;
    if (have->count && have->begin()[have->count - 1].column >= col) {
      pos = static_cast<std::size_t>(CellAt(*have, col) - have->begin());
      if (pos < have->count && have->begin()[pos].column == col)
        return MutableCells(slot, 0).begin()[pos];
    }
  }
  Cell cell;
  cell.column = static_cast<uint16_t>(column);
  cell.style = DefaultStyle(slot, column);
  RowCells& cells = MutableCells(slot, 1);
  Cell* b = cells.begin();
  const std::size_t n = cells.count;
  if (pos == n) {
    new (b + n) Cell(std::move(cell));
  } else {
    new (b + n) Cell(std::move(b[n - 1]));
    std::move_backward(b + pos, b + n - 1, b + n);
    b[pos] = std::move(cell);
  }
  ++cells.count;
  return b[pos];
}

const WorksheetModel::Cell* WorksheetModel::Find(int row, int column) const {
  auto r = std::lower_bound(rows_.begin(), rows_.end(), row,
                            [](const RowSlot& s, int v) { return static_cast<int>(s.number) < v; });
  if (r == rows_.end() || static_cast<int>(r->number) != row || !r->cells) return nullptr;
  auto col = static_cast<uint32_t>(column);
  auto it = CellAt(*r->cells, col);
  return it != r->cells->end() && it->column == col ? &*it : nullptr;
}

std::vector<WorksheetModel::RowSlot>::iterator WorksheetModel::SlotOf(int row) {
  auto number = static_cast<uint32_t>(row);
  if (!rows_.empty() && rows_.back().number < number) {
    rows_.push_back({nullptr, number, 0});
    return rows_.end() - 1;
  }
  auto it = std::lower_bound(rows_.begin(), rows_.end(), number,
                             [](const RowSlot& s, uint32_t v) { return s.number < v; });
  if (it == rows_.end() || it->number != number) it = rows_.insert(it, {nullptr, number, 0});
  return it;
}

WorksheetModel::RowCells& WorksheetModel::MutableCells(RowSlot& slot, std::size_t extra) {
  RowCells* old = slot.cells;
  const std::size_t count = old ? old->count : 0;
  const bool shared = old && old->refs.load(std::memory_order_acquire) > 1;
  if (old && !shared && old->capacity >= count + extra) return *old;
  std::size_t capacity = count + extra;
  // A row that grows doubles, so writing a row cell by cell stays linear.
  if (extra && count)
    capacity = std::max(capacity, std::min<std::size_t>(2 * count, kMaxColumns));
  RowCells* fresh = NewCells(capacity);
  if (old) {
    for (Cell& c : *old) {
      if (shared)
        new (fresh->end()) Cell(c);
      else
        new (fresh->end()) Cell(std::move(c));
      ++fresh->count;
    }
    Release(old);
  }
  slot.cells = fresh;
  return *fresh;
}

bool WorksheetModel::TabSelected() const {
  pugi::xml_node views = Child(doc_.document_element(), "sheetViews");
  bool selected = false;
  ForEachChild(views, "sheetView", [&](pugi::xml_node v) {
    if (IsTrue(v.attribute("tabSelected").value())) selected = true;
  });
  return selected;
}

void WorksheetModel::SetTabSelected(bool selected) {
  pugi::xml_node root = doc_.document_element();
  pugi::xml_node views = Child(root, "sheetViews");
  if (!views) {
    if (!selected) return;
    // <sheetViews> follows <sheetPr> and <dimension> and precedes the rest.
    pugi::xml_node before;
    for (pugi::xml_node c = root.first_child(); c && !before; c = c.next_sibling()) {
      std::string_view n = LocalName(c);
      if (c.type() == pugi::node_element && n != "sheetPr" && n != "dimension") before = c;
    }
    views = root.insert_child_before((prefix_ + "sheetViews").c_str(), before);
    views.append_child((prefix_ + "sheetView").c_str()).append_attribute("workbookViewId") = "0";
  }
  ForEachChild(views, "sheetView", [&](pugi::xml_node v) {
    if (selected) {
      SetAttr(v, "tabSelected", "tabSelected", "1");
    } else if (pugi::xml_attribute a = v.attribute("tabSelected")) {
      v.remove_attribute(a);
    }
  });
}

void WorksheetModel::UnshareFormulaAt(int row, int column) {
  const Cell* master = Find(row, column);
  if (!master || master->kind != Kind::Raw || master->value.find("shared") == std::string::npos)
    return;
  pugi::xml_document d;
  if (!d.load_buffer(master->value.data(), master->value.size(), pugi::parse_default)) return;
  pugi::xml_node f = Child(d.document_element(), "f");
  if (!f || std::string_view(f.attribute("t").value()) != "shared" || !f.attribute("ref")) return;
  std::string si = f.attribute("si").value();
  std::string formula = f.text().get();
  std::string ref = f.attribute("ref").value();
  int r1 = row, c1 = column, r2 = row, c2 = column;
  auto colon = ref.find(':');
  if (!ParseCellRef(ref.substr(0, colon), r1, c1)) return;
  if (colon == std::string::npos || !ParseCellRef(ref.substr(colon + 1), r2, c2)) r2 = r1, c2 = c1;
  auto first = std::lower_bound(rows_.begin(), rows_.end(), static_cast<uint32_t>(std::max(r1, 1)),
                                [](const RowSlot& s, uint32_t v) { return s.number < v; });
  for (auto it = first; it != rows_.end() && static_cast<int>(it->number) <= r2; ++it) {
    if (!it->cells) continue;
    bool any = false;
    for (const Cell& c : *it->cells)
      any = any || (c.kind == Kind::Raw && c.value.find("shared") != std::string::npos);
    if (!any) continue;
    const int number = static_cast<int>(it->number);
    for (Cell& c : MutableCells(*it, 0)) {
      if (c.kind != Kind::Raw || static_cast<int>(c.column) < c1 ||
          static_cast<int>(c.column) > c2 || (number == row && static_cast<int>(c.column) == column))
        continue;
      pugi::xml_document cd;
      if (!cd.load_buffer(c.value.data(), c.value.size(),
                          pugi::parse_default | pugi::parse_ws_pcdata))
        continue;
      pugi::xml_node cf = Child(cd.document_element(), "f");
      if (!cf || std::string_view(cf.attribute("t").value()) != "shared" ||
          cf.attribute("si").value() != si)
        continue;
      cf.remove_attribute("t");
      cf.remove_attribute("si");
      cf.remove_attribute("ref");
      std::string own = ShiftFormula(formula, number - row, static_cast<int>(c.column) - column);
      cf.text().set(own.c_str());
      c.value = PrintNode(cd.document_element());
    }
  }
}

bool WorksheetModel::EditRawFormula(Cell& cell,
                                    const std::function<std::string(std::string_view)>& edit) {
  if (cell.value.find("f") == std::string::npos) return false;
  // Printed standalone, the element may lack its prefix's declaration;
  // parse it leniently: pugixml does not resolve namespaces.
  pugi::xml_document d;
  if (!d.load_buffer(cell.value.data(), cell.value.size(),
                     pugi::parse_default | pugi::parse_ws_pcdata))
    return false;
  pugi::xml_node f = Child(d.document_element(), "f");
  if (!f) return false;
  std::string before = f.text().get();
  std::string after = edit(before);
  if (after == before) return false;
  f.text().set(after.c_str());
  cell.value = PrintNode(d.document_element());
  return true;
}

void WorksheetModel::ReadFormulas(const std::function<void(std::string_view)>& read) const {
  if (!hasFormulas_) return;
  for (const RowSlot& slot : rows_) {
    if (!slot.cells) continue;
    for (const Cell& cell : *slot.cells) {
      if (cell.kind != Kind::Raw || cell.value.find("f") == std::string::npos) continue;
      pugi::xml_document d;
      if (!d.load_buffer(cell.value.data(), cell.value.size(),
                         pugi::parse_default | pugi::parse_ws_pcdata))
        continue;
      if (pugi::xml_node f = Child(d.document_element(), "f")) read(f.text().get());
    }
  }
}

bool WorksheetModel::EditAllFormulas(const std::function<std::string(std::string_view)>& edit) {
  bool any = false;
  for (RowSlot& slot : rows_) {
    if (!slot.cells) continue;
    bool has = false;
    for (const Cell& cell : *slot.cells) has = has || cell.kind == Kind::Raw;
    if (!has) continue;
    for (Cell& cell : MutableCells(slot, 0))
      if (cell.kind == Kind::Raw && EditRawFormula(cell, edit)) any = true;
  }
  return any;
}

std::string WorksheetModel::Serialize() {
  int minRow = 0, maxRow = 0, minCol = 0, maxCol = 0;
  for (const RowSlot& row : rows_) {
    if (!row.cells || !row.cells->count) continue;
    const int r = static_cast<int>(row.number);
    if (!minRow) minRow = r;
    maxRow = r;
    int first = static_cast<int>(row.cells->begin()->column);
    int last = static_cast<int>(row.cells->end()[-1].column);
    if (!minCol || first < minCol) minCol = first;
    if (last > maxCol) maxCol = last;
  }
  if (dimension_) {
    std::string ref = "A1";
    if (minRow) {
      ref = ColumnName(minCol) + std::to_string(minRow);
      if (maxRow != minRow || maxCol != minCol)
        ref += ':' + ColumnName(maxCol) + std::to_string(maxRow);
    }
    SetAttr(dimension_, "ref", "ref", ref);
  }
  std::string xml = PrintXml(doc_);
  std::size_t at = xml.find(kCellsMarker);
  if (at == std::string::npos) throw EXlsxError("internal error: the worksheet lost its cells");

  std::vector<std::string> columnNames(static_cast<std::size_t>(maxCol) + 1);
  for (int c = 1; c <= maxCol; ++c) columnNames[static_cast<std::size_t>(c)] = ColumnName(c);
  const std::string& p = prefix_;
  std::string out;
  out.reserve(xml.size() + rows_.size() * 64);
  out.append(xml, 0, at);
  for (const RowSlot& row : rows_) {
    const RowInfo& info = InfoOf(row);
    std::string rs = std::to_string(row.number);
    out += '<';
    out += p;
    out += "row r=\"";
    out += rs;
    out += '"';
    out += info.attrs;
    if ((!row.cells || !row.cells->count) && info.tail.empty()) {
      out += "/>";
      continue;
    }
    out += '>';
    static const RowCells kNoCells;
    for (const Cell& c : row.cells ? *row.cells : kNoCells) {
      if (c.kind == Kind::Raw) {
        out += c.value.view();
        continue;
      }
      out += '<';
      out += p;
      out += "c r=\"";
      out += columnNames[c.column];
      out += rs;
      out += '"';
      if (c.style) {
        out += " s=\"";
        out += std::to_string(c.style);
        out += '"';
      }
      std::string_view value = c.value;
      if (c.kind == Kind::Shared) {
        out += " t=\"s\"";
      } else if (c.kind == Kind::Typed) {
        std::size_t nul = value.find('\0');
        out += " t=\"";
        out += value.substr(0, nul);
        out += '"';
        value = value.substr(nul + 1);
      }
      if (c.kind == Kind::Empty) {
        out += "/>";
        continue;
      }
      out += "><";
      out += p;
      out += "v>";
      AppendTextEscaped(out, value);
      out += "</";
      out += p;
      out += "v></";
      out += p;
      out += "c>";
    }
    out += info.tail;
    out += "</";
    out += p;
    out += "row>";
  }
  out.append(xml, at + std::strlen(kCellsMarker), std::string::npos);
  return out;
}

}  // namespace zel::xl
