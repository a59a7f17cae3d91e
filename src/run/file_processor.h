// The file runner of a real run: takes one file through loading, the
// replace loop and the commit, and hands back its figures for the report.
// Owns the run's FileBuffer, which is reused from file to file and only
// ever replaced by a larger block, and the run's matcher, and renews
// <new> between files for -K:RF.

#ifndef SWU_RUN_FILE_PROCESSOR_H_
#define SWU_RUN_FILE_PROCESSOR_H_

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "base/random.h"
#include "base/status.h"
#include "cli/settings.h"
#include "platform/platform.h"
#include "result/new_text.h"
#include "run/diff_preview.h"
#include "run/file_runner.h"
#include "run/file_visits.h"
#include "run/prefetch.h"
#include "search/matcher.h"
#include "search/replace_state.h"
#include "search/search_notes.h"
#include "store/file_buffer.h"
#include "store/journal_writer.h"
#include "store/loader.h"
#include "store/output_file.h"

namespace swu {

// A file on its way through: the file as loaded and its result's output.
struct LoadedFile {
  LoadedInput input;    // the file; its stream moves to |output| in place
  ResultOutput output;  // where the result is written
  bool opened = false;  // an existing file was opened (not created)
  bool binary = false;  // --skip-binary passes it over; no output opened
  // The files processed so far: one of them reached again under another
  // name is passed over, nothing opened for its result (null: none is).
  FileVisits* visits = nullptr;
  bool passed_over = false;  // processed already under another name
  // A small file to be rewritten in place may be loaded unlocked, to be
  // locked before it is written (store/late_lock.h).
  bool lock_later = false;
  // Loaded already by a worker thread (run/prefetch.h), when its stream is
  // not null.
  PrefetchedFile prefetched;
};

class FileProcessor : public FileRunner {
 public:
  FileProcessor(const Settings& settings, Platform* platform, Random* random);
  ~FileProcessor() override;
  FileProcessor(const FileProcessor&) = delete;
  FileProcessor& operator=(const FileProcessor&) = delete;

  // Allocates the initial 32768-byte block (a failure is not an error),
  // makes <new> as it is first written and compiles the search text into
  // the matcher that every file shares.
  void PrepareRun() override;

  // Processes the file |path|. |output_path| is the -$ output file (empty
  // without -$). While *create is Creating, a missing or empty file is
  // created and *create becomes Created; while it is CreateRequested, an
  // empty file takes the -B/-T text as a created one would, and *create
  // stays as it is (the file existed). Never leaves a file damaged: in
  // place nothing is written until the whole result is in the file's
  // journal, and a file with an interrupted rewrite's journal is recovered
  // first. An interruption is held while the file itself is written. A
  // file processed already under another name is passed over.
  FileOutcome Process(const std::string& path, const std::string& output_path,
                      CreateState* create) override;

  // -K:RF: fresh characters in <new> for the next file. Returns false,
  // with the reason in *why, when its -L file could not be read again.
  bool RenewBetweenFiles(LoadStatus* why) override;

  // The files that follow come from a listing of their directory that
  // showed none of the program's own names (|clean|), or not. Under a
  // clean listing the small files to rewrite in place are loaded ahead on
  // worker threads where the run can use them.
  void DirectoryListed(bool clean, std::vector<std::string> paths) override;

 private:
  FileOutcome ProcessFile(const std::string& path,
                          const std::string& output_path, CreateState* create,
                          bool lock_later, bool* reload);
  bool ProbeLiterally(const ReplaceState& state);
  FileError Load(const std::string& path, const std::string& output_path,
                 CreateState* create, LoadedFile* loaded, FileOutcome* outcome);

  const Settings& settings_;
  Platform* platform_;
  FileBuffer buffer_;  // the run's block, reused from file to file
  NewText new_text_;
  // The run's matcher, shared by every file; made in PrepareRun, outside
  // any file's window of held interruptions.
  std::unique_ptr<Matcher> matcher_;
  SpareJournal spare_;  // the last journal file, kept for the next file
  std::set<std::string> cleared_;         // directories cleared of dead spares
  std::unique_ptr<DiffPreview> preview_;  // --diff
  FileVisits visits_;  // the files processed, each under its first name
  // The search text with plain anchor characters, looked for while the
  // run has found no match (null until PrepareRun).
  std::unique_ptr<LiteralProbe> probe_;
  bool probe_done_ = false;  // a match, or the text, was found: no more probes
  // The files come from a listing without the program's names: no journal
  // or spare lay beside them then (ListingClean).
  bool listing_clean_ = false;
  std::unique_ptr<Prefetch> prefetch_;  // null: every file loaded here
};

}  // namespace swu

#endif  // SWU_RUN_FILE_PROCESSOR_H_
