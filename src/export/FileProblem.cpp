#include "export/FileProblem.h"

#include <cerrno>
#include <cstring>

namespace zel {

std::string FileErrorReason(int err, bool writing) {
  if (writing && (err == ENOENT || err == ENOTDIR)) return "の保存先フォルダーが見つかりません。";
  if (writing && (err == EACCES || err == EPERM))
    return "を書き込む権限がありません（保存先フォルダーに書き込めません）。";
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return "が見つかりません。";
    case EISDIR:
      return "はフォルダーです。";
    case EACCES:
    case EPERM:
      return "へのアクセス権がありません。";
    case EROFS:
      return "は読み取り専用の場所にあります。";
    case ENOSPC:
    case EDQUOT:
      return "を書き込む空き容量がありません。";
    case ENAMETOOLONG:
      return "の名前が長すぎます。";
    case ELOOP:
      return "のシンボリックリンクが循環しています。";
    default:
      return std::string("にアクセスできません（") + std::strerror(err) + "）。";
  }
}

}  // namespace zel
