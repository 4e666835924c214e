#pragma once
// Reads the columns of a schema's tables ahead of a definition export, in
// tree order, on a few extra connections, so that a distant server's round
// trips overlap instead of adding up. The export still takes the tables one
// by one through LoadColumns; a table whose read-ahead failed for any reason
// is simply read again there, serially, on the main connection, so every
// failure surfaces where and as it would without reading ahead.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "catalog/Reader.h"

namespace zel {

class TTreeNode;

class TColumnPrefetch {
 public:
  // What each worker thread is called (at most 15 characters).
  static constexpr const char* kWorkerThreadName = "zel-ahead";

  using ReaderFactory = std::function<std::unique_ptr<IColumnReader>()>;

  // Starts `workers` threads, each with a column reader of its own from
  // `newReader` (called here, on the calling thread).
  TColumnPrefetch(std::vector<std::pair<const TTreeNode*, ColumnTask>> tables,
                  const ReaderFactory& newReader, int workers);
  // Stops reading ahead and waits for the workers; their connections close.
  ~TColumnPrefetch();
  TColumnPrefetch(const TColumnPrefetch&) = delete;
  TColumnPrefetch& operator=(const TColumnPrefetch&) = delete;

  // The rows read ahead for `table`, waiting for them when they are still
  // being read; nothing when the table is not one of ours or its read
  // failed. Each table's rows are handed out once.
  std::optional<std::vector<ColumnRow>> Take(const TTreeNode& table);

  // Stops the workers early (the run ended or failed).
  void Stop();
  int Workers() const { return static_cast<int>(threads_.size()); }

 private:
  enum class State { Waiting, Done, Failed, Taken };
  struct Slot {
    const TTreeNode* node;
    ColumnTask task;
    State state = State::Waiting;
    std::vector<ColumnRow> rows;
  };

  void Work(std::unique_ptr<IColumnReader> reader);

  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<Slot> slots_;
  size_t next_ = 0;  // the first slot no worker has taken up
  int alive_ = 0;    // workers still reading
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace zel
