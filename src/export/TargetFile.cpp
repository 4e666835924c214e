#include "export/TargetFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace zel::xl {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Replace(std::string pattern, const std::string& value) {
  auto at = pattern.find("%s");
  if (at != std::string::npos) pattern.replace(at, 2, value);
  return pattern;
}

// --- the temporary files a signal removes ---
// The handler may run on any thread at any moment: it reads only these
// fixed buffers, each published by its flag once its path is complete.
constexpr int kSlots = 8;
constexpr std::size_t kSlotPath = 4096;
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> ready{false};
  char path[kSlotPath];
};
Slot slots[kSlots];
std::atomic<int> deferDepth{0};
std::atomic<int> pendingSignal{0};
std::atomic<bool> handlersInstalled{false};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int Register(const std::string& path) {
  if (path.size() >= kSlotPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!slots[i].taken.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].ready.store(true);
    return i;
  }
  return -1;
}

void Unregister(int slot) {
  if (slot < 0) return;
  slots[slot].ready.store(false);
  slots[slot].taken.store(false);
}

[[noreturn]] void RemoveAndDie(int sig) {
  for (Slot& s : slots)
    if (s.ready.load()) ::unlink(s.path);
  ::signal(sig, SIG_DFL);
  // Inside its handler the signal is blocked; let the default action in.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);
}

void OnSignal(int sig) {
  // Published before the depth is read: a deferring scope that ends in
  // between sees it and ends the program itself.
  pendingSignal.store(sig);
  if (deferDepth.load() > 0) return;
  RemoveAndDie(sig);
}

mode_t UsualMode() {
  // The umask can only be read by setting it; nothing else here creates
  // files in between.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string FileBehindLinks(const std::string& path) {
  std::string at = path;
  // The kernel's own limit on links in a row; a longer chain is a loop,
  // which stat reports.
  for (int hops = 0; hops < 40; ++hops) {
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink(at.c_str(), buf.data(), buf.size());
    if (n < 0 || static_cast<std::size_t>(n) >= buf.size()) return at;
    std::string link(buf.data(), static_cast<std::size_t>(n));
    at = link.front() == '/' ? link : FolderOf(at) + "/" + link;
  }
  return at;
}

std::string TargetRefusal(const std::string& path, const std::string& modelPath) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    // Not there yet is the usual case; a loop of links can never be written.
    if (errno == ELOOP) return Replace("%s アクセスできません。", path);
    return {};
  }
  if (S_ISDIR(st.st_mode))
    return Replace("%s はフォルダです。保存するファイルの名前を指定してください。", path);
  if (!S_ISREG(st.st_mode)) {
    const char* kind = S_ISFIFO(st.st_mode)   ? "名前付きパイプ"
                       : S_ISSOCK(st.st_mode) ? "ソケット"
                                              : "デバイス";
    return Replace("%s は通常のファイルではありません（", path) + kind +
           "）。ブックはそこに保存できません。";
  }
  struct stat model {};
  if (!modelPath.empty() && ::stat(modelPath.c_str(), &model) == 0 && model.st_dev == st.st_dev &&
      model.st_ino == st.st_ino)
    return Replace("%s は雛形Excelファイルそのものです。別の名前で保存してください。", path);
  return {};
}

TTargetFile::TTargetFile(const std::string& target)
    : target_(target), file_(FileBehindLinks(target)) {
  // Hidden, and short enough that the engine's own name for its save beside
  // it still fits in a folder entry.
  std::string name = NameOf(file_).substr(0, 200);
  std::string pattern = FolderOf(file_) + "/." + name + ".XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  TSignalsDeferred deferred;
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0)
    throw std::system_error(errno, std::generic_category(),
                            target + ": no file can be made in its folder");
  ::close(fd);
  temp_ = buf.data();
  slot_ = Register(temp_);
}

TTargetFile::~TTargetFile() {
  if (!committed_) ::unlink(temp_.c_str());
  Unregister(slot_);
}

void TTargetFile::Commit() {
  TSignalsDeferred deferred;
  auto fail = [&](const char* step) {
    const std::string why = std::strerror(errno);
    throw std::runtime_error(target_ + " に保存できません（" + step + ": " + why + "）。");
  };
  struct stat st {};
  const mode_t mode =
      ::stat(file_.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 07777 : UsualMode();
  const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("open");
  const bool written = ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  if (!written) fail("fsync");
  if (::rename(temp_.c_str(), file_.c_str()) != 0) fail("rename");
  committed_ = true;
  Unregister(slot_);
  slot_ = -1;
  // The rename itself reaches the disk with its folder.
  const int dir = ::open(FolderOf(file_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

TSignalsDeferred::TSignalsDeferred() {
  deferDepth.fetch_add(1);
}

TSignalsDeferred::~TSignalsDeferred() {
  if (deferDepth.fetch_sub(1) != 1 || !handlersInstalled.load()) return;
  if (const int sig = pendingSignal.load(); sig != 0) RemoveAndDie(sig);
}

void RemoveTemporaryFilesOnSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  // A deferred signal returns to the interrupted call, which goes on.
  sa.sa_flags = SA_RESTART;
  for (int sig : kSignals) {
    // A signal the program was started to ignore stays ignored.
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &sa, nullptr);
  }
  handlersInstalled.store(true);
}

}  // namespace zel::xl
