#include "export/ModelWorkbook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "export/FileProblem.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XlsxPackage.h"
#include "xlsx/XlsxWorkbook.h"

namespace zel {
namespace {

constexpr const char* kSaveAgain = "Excel で「Excel ブック (*.xlsx)」として保存し直してください。";

std::string Megabytes(std::uint64_t bytes) {
  return std::to_string(bytes >> 20) + " MB";
}

// The engine's own words, for the damage it alone can name: its message
// without the path it starts with.
std::string Detail(const std::string& message, const std::string& path) {
  const std::string lead = path + ": ";
  return message.starts_with(lead) ? message.substr(lead.size()) : message;
}

std::string EngineReason(const xl::EXlsxError& e, const std::string& path) {
  using Kind = xl::EXlsxError::Kind;
  switch (e.kind()) {
    case Kind::NotFound:
      return FileErrorReason(ENOENT);
    case Kind::NotAFile:
      return "は通常のファイルではありません（フォルダー、デバイス、FIFO など）。";
    case Kind::Unreadable:
      return "を読み込めません（" + Detail(e.what(), path) + "）。";
    case Kind::NotWorkbook:
      return "は Excel ブック（.xlsx）ではないか、壊れています。";
    case Kind::Legacy:
      return std::string("は Excel 97-2003 形式（.xls）です。") + kSaveAgain;
    case Kind::Binary:
      return std::string("は Excel バイナリ形式（.xlsb）です。") + kSaveAgain;
    case Kind::Encrypted:
      return "はパスワードで保護されています。Excel でパスワードを解除して保存し直してください。";
    case Kind::TooLarge:
      return "は展開すると雛形として扱える大きさ（部品ひとつ " + Megabytes(xl::kMaxPartBytes) +
             "、全体 " + Megabytes(xl::kMaxTotalBytes) + "）を超えます。";
    case Kind::Strict:
      return std::string("は「Strict Open XML」形式です。") +
             "Excel で通常の「Excel ブック (*.xlsx)」として保存し直してください。";
    case Kind::Other:
      break;
  }
  return "は壊れているため雛形に使えません（" + Detail(e.what(), path) + "）。";
}

}  // namespace

std::string ModelWorkbookMessage(const std::string& reason) {
  return std::string(kModelSettingError) + "\n" + reason;
}

std::string CheckModelWorkbook(const std::string& path) {
  if (path.empty()) return "雛形Excelファイルが指定されていません。";
  const std::string file = "雛形Excelファイル「" + path + "」";
  // The file itself first, opened without waiting: a FIFO would block the
  // check until someone writes to it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return file + "はフォルダーです。";
    return file + FileErrorReason(err);
  }
  struct stat st {};
  const bool statted = ::fstat(fd, &st) == 0;
  ::close(fd);
  if (statted && S_ISDIR(st.st_mode)) return file + "はフォルダーです。";
  if (statted && !S_ISREG(st.st_mode))
    return file + "は通常のファイルではありません（デバイス、FIFO、ソケットなど）。";
  try {
    std::unique_ptr<xl::XlsxWorkbook> book = xl::XlsxWorkbook::Open(path);
    const auto first = book->SheetKindAt(0);
    book->Close(false);
    if (first == xl::XlsxWorksheet::SheetKind::Chartsheet)
      return file +
             "の先頭のシートはグラフシートです。先頭のシートが定義書の雛形になるので、"
             "ワークシートを先頭に置いてください。";
    if (first != xl::XlsxWorksheet::SheetKind::Worksheet)
      return file +
             "の先頭のシートはワークシートではありません。先頭のシートが定義書の雛形になるので、"
             "ワークシートを先頭に置いてください。";
  } catch (const xl::EXlsxError& e) {
    return file + EngineReason(e, path);
  } catch (const std::exception& e) {
    return file + "を開けません（" + e.what() + "）。";
  }
  return {};
}

}  // namespace zel
