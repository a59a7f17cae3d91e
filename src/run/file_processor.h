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
#include "run/prefetch.h"
#include "search/matcher.h"
#include "search/replace_state.h"
#include "search/search_notes.h"
#include "store/file_buffer.h"
#include "store/file_store.h"
#include "store/file_visits.h"

namespace swu {

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

  const Settings& settings_;
  Platform* platform_;
  FileBuffer buffer_;  // the run's block, reused from file to file
  NewText new_text_;
  // The run's matcher, shared by every file; made in PrepareRun, outside
  // any file's window of held interruptions.
  std::unique_ptr<Matcher> matcher_;
  FileStore store_;  // loads files, recovers them, opens their outputs
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
