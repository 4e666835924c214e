#include "catalog/ColumnPrefetch.h"

#include <pthread.h>

#include <exception>

namespace zel {

TColumnPrefetch::TColumnPrefetch(std::vector<std::pair<const TTreeNode*, ColumnTask>> tables,
                                 const ReaderFactory& newReader, int workers) {
  slots_.reserve(tables.size());
  for (auto& [node, task] : tables) slots_.push_back({node, std::move(task), State::Waiting, {}});
  const size_t count = std::min(slots_.size(), static_cast<size_t>(std::max(workers, 0)));
  for (size_t i = 0; i < count; ++i) {
    std::unique_ptr<IColumnReader> reader = newReader();
    if (!reader) break;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++alive_;
    }
    threads_.emplace_back(&TColumnPrefetch::Work, this, std::move(reader));
  }
}

TColumnPrefetch::~TColumnPrefetch() { Stop(); }

void TColumnPrefetch::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  done_.notify_all();
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
}

void TColumnPrefetch::Work(std::unique_ptr<IColumnReader> reader) {
  // Named so that a look at the process (top -H, a debugger, a test) tells
  // the readers ahead from the threads of Qt and the client libraries.
  pthread_setname_np(pthread_self(), kWorkerThreadName);
  for (;;) {
    size_t index;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_ || next_ >= slots_.size()) break;
      index = next_++;
    }
    // The slot's task is not touched by anybody else while it is Waiting.
    std::vector<ColumnRow> rows;
    bool ok = true;
    try {
      rows = reader->Read(slots_[index].task);
    } catch (...) {
      // Read again on the main connection, which reports whatever is wrong.
      ok = false;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Slot& slot = slots_[index];
      slot.rows = std::move(rows);
      slot.state = ok ? State::Done : State::Failed;
    }
    done_.notify_all();
    if (!ok) break;  // a connection that failed once is not trusted again
  }
  // Tables this worker would have read are left to the others or, when no
  // worker is left, to the main connection.
  reader.reset();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    --alive_;
  }
  done_.notify_all();
}

std::optional<std::vector<ColumnRow>> TColumnPrefetch::Take(const TTreeNode& table) {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t index = 0;
  while (index < slots_.size() && slots_[index].node != &table) ++index;
  if (index == slots_.size()) return std::nullopt;
  Slot& slot = slots_[index];
  // Wait while a worker holds the slot or one is left to take it up; with
  // every worker gone (or stopped) the caller reads the table itself.
  done_.wait(lock, [&] {
    return slot.state != State::Waiting || (index >= next_ && alive_ == 0) || stop_;
  });
  if (slot.state != State::Done) return std::nullopt;
  slot.state = State::Taken;
  return std::move(slot.rows);
}

}  // namespace zel
