#pragma once
// Where a workbook is written. The user's earlier file stays as it was until
// its replacement is complete: the new workbook is built under a temporary
// name beside it and takes its place with one rename. A target that is no
// regular file (a device, a pipe, a folder) or that is the model workbook
// itself is refused before anything is written.
#include <string>

namespace zel::xl {

// The file a chosen path stands for: the path itself, or the file its
// symbolic links lead to. That file is the one replaced; the links stay.
std::string FileBehindLinks(const std::string& path);

// Empty when a workbook may be written at `path`; otherwise the message that
// says why not (names the path). `modelPath` is the model workbook in use,
// empty when there is none.
std::string TargetRefusal(const std::string& path, const std::string& modelPath);

// The temporary file of one workbook being built. Gone again when this ends
// without Commit, whatever ended it.
class TTargetFile {
 public:
  // Makes an empty file beside the file `target` stands for. Throws a
  // std::runtime_error with the system's reason when none can be made
  // there (the folder is missing or not writable).
  explicit TTargetFile(const std::string& target);
  ~TTargetFile();
  TTargetFile(const TTargetFile&) = delete;
  TTargetFile& operator=(const TTargetFile&) = delete;

  const std::string& Target() const { return target_; }
  const std::string& TempPath() const { return temp_; }
  // Puts the finished file in place of the target in one rename, after it
  // is on disk, with the earlier file's permissions (the umask's usual ones
  // for a new file). Throws on failure; the target is then as it was.
  void Commit();

 private:
  std::string target_, file_, temp_;
  int slot_ = -1;
  bool committed_ = false;
};

// A SIGINT, SIGTERM or SIGHUP that arrives while one of these lives takes
// effect when the last one ends, so a save and its rename are never cut
// in half. Without RemoveTemporaryFilesOnSignals it does nothing.
class TSignalsDeferred {
 public:
  TSignalsDeferred();
  ~TSignalsDeferred();
  TSignalsDeferred(const TSignalsDeferred&) = delete;
  TSignalsDeferred& operator=(const TSignalsDeferred&) = delete;
};

// For the command: SIGINT, SIGTERM and SIGHUP remove the temporary files of
// the workbooks being built, then end the program as the signal would have.
void RemoveTemporaryFilesOnSignals();

}  // namespace zel::xl
