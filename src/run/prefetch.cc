// Loading a directory's files ahead of the run on worker threads.

#include "run/prefetch.h"

#include <cassert>
#include <utility>

namespace swu {

namespace {

// How far the workers run ahead of the run: each file loaded and not yet
// taken holds a descriptor and its bytes.
constexpr size_t kAhead = 32;

}  // namespace

Prefetch::Prefetch(Platform* platform, int threads, int64_t max_size)
    : platform_(platform), threads_(threads), max_size_(max_size) {}

Prefetch::~Prefetch() {
  Stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quitting_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void Prefetch::Start(std::vector<std::string> paths) {
  Stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    paths_ = std::move(paths);
    files_.resize(paths_.size());
    done_.assign(paths_.size(), 0);
  }
  // Threads are started once, with the first list that has work for
  // them, so that a tree of many small directories does not start and
  // join threads for each.
  if (workers_.empty() && paths_.size() > 1) {
    for (int i = 0; i < threads_; ++i) {
      workers_.emplace_back([this] { Work(); });
    }
  }
  changed_.notify_all();
}

void Prefetch::Stop() {
  std::unique_lock<std::mutex> lock(mutex_);
  next_ = paths_.size();  // no worker starts another file
  changed_.wait(lock, [this] { return loading_ == 0; });
  files_.clear();
  paths_.clear();
  done_.clear();
  next_ = taken_ = 0;
}

bool Prefetch::Take(const std::string& path, LoadedAhead* file) {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t at = taken_;
  while (at < paths_.size() && paths_[at] != path) ++at;
  if (at >= paths_.size()) return false;
  for (; taken_ < at; ++taken_) files_[taken_] = LoadedAhead();
  taken_ = at + 1;
  if (next_ <= at) {
    // No worker has started it: the run loads it itself rather than wait.
    // Those skipped are not loaded at all.
    next_ = at + 1;
    lock.unlock();
    Load(at, file);
    lock.lock();
  } else {
    ++run_waiting_;
    changed_.wait(lock, [this, at] { return done_[at] != 0; });
    --run_waiting_;
    *file = std::move(files_[at]);
  }
  if (workers_waiting_ > 0) changed_.notify_all();  // Room ahead again.
  return true;
}

void Prefetch::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    ++workers_waiting_;
    changed_.wait(lock, [this] {
      return quitting_ || (next_ < paths_.size() && next_ < taken_ + kAhead);
    });
    --workers_waiting_;
    if (quitting_) return;
    size_t index = next_++;
    ++loading_;
    lock.unlock();
    LoadedAhead file;
    Load(index, &file);
    lock.lock();
    --loading_;
    files_[index] = std::move(file);
    done_[index] = 1;
    // The run may wait for this file, or Stop for the last load.
    changed_.notify_all();
  }
}

// Loads one file as the run would load a small file it may rewrite in
// place: opened for update, not locked, read whole. Anything else is left
// to the run, which then reports it as it always does.
void Prefetch::Load(size_t index, LoadedAhead* file) {
  file->stream = platform_->OpenIdentified(paths_[index], OpenMode::kUpdate,
                                           &file->identity);
  int64_t size = file->identity.size;
  if (file->stream != nullptr && size > 0 && size <= max_size_) {
    file->bytes.resize(static_cast<size_t>(size));
    if (file->stream->Read(&file->bytes[0], size) != size) {
      file->stream.reset();
    }
  } else {
    file->stream.reset();
  }
}

}  // namespace swu
