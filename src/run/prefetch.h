// Loading ahead on other threads. A directory's files are handed over in
// the order the run will process them; worker threads open and read the
// next few while the run's own thread searches, writes and reports the
// current one, and loads a file itself when no worker has started it. A worker
// only opens and reads (never locks, writes or deletes anything), so every
// decision the run makes, in the order it makes them, stays on the run's
// thread: report lines, the files written, journals, each file once, -S and
// interruptions behave as in a run on one thread. A file a worker could not
// load as the run would is loaded by the run itself.
//
// Tested by tests/e2e/differential.py (threads against one thread).

#ifndef SWU_RUN_PREFETCH_H_
#define SWU_RUN_PREFETCH_H_

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "store/loader.h"

namespace swu {

class Prefetch {
 public:
  // |threads| workers load files of at most |max_size| bytes (larger ones,
  // and empty ones, are left to the run) through |platform|. They are
  // started with the first list and live until the destructor, waiting
  // between lists.
  Prefetch(Platform* platform, int threads, int64_t max_size);
  ~Prefetch();
  Prefetch(const Prefetch&) = delete;
  Prefetch& operator=(const Prefetch&) = delete;

  // Starts loading |paths|, in their order, after stopping any earlier
  // list.
  void Start(std::vector<std::string> paths);
  // Stops loading the list, waits for the loads under way (they open
  // names in the list's directory, which the run may then let go) and
  // drops what was loaded.
  void Stop();

  // The file |path| as loaded, when it is the next of the list (or a
  // later one: the files before it are dropped). Waits for its worker.
  // Returns false, *file untouched, when |path| is not on the list.
  bool Take(const std::string& path, LoadedAhead* file);

 private:
  void Work();
  void Load(size_t index, LoadedAhead* file);

  Platform* platform_;
  int threads_;
  int64_t max_size_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> paths_;
  std::vector<LoadedAhead> files_;
  std::vector<char> done_;   // per file: its worker has finished it
  size_t next_ = 0;          // the next file a worker takes
  size_t taken_ = 0;         // the next file the run takes
  int workers_waiting_ = 0;  // workers waiting for room ahead
  int run_waiting_ = 0;      // 1 while the run waits for a worker
  int loading_ = 0;          // workers loading a file of the list
  bool quitting_ = false;    // set by the destructor
};

}  // namespace swu

#endif  // SWU_RUN_PREFETCH_H_
