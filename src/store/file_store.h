// The one entry to the store for a file about to be processed. Open()
// loads the file (or takes it as a worker thread loaded it), passes over
// a file already processed under another name, creates a missing one
// where asked, sweeps the dead spares of a directory once, finds a
// rewrite that a killed run left half done and finishes it before the
// file is loaded again, and opens the stream the result goes to.
// JournalFor() makes the journal an in-place rewrite writes first. The
// store keeps the spare journal from one file to the next.
//
// Tested end to end (tests/e2e: crash, journal trust, safety) and by
// tests/run/file_processor_test.cc.

#ifndef SWU_STORE_FILE_STORE_H_
#define SWU_STORE_FILE_STORE_H_

#include <memory>
#include <set>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/platform.h"
#include "store/file_buffer.h"
#include "store/file_visits.h"
#include "store/journal_writer.h"
#include "store/loader.h"
#include "store/output_file.h"

namespace swu {

// A file on its way through: the file as loaded and its result's output.
struct OpenedFile {
  LoadedInput input;         // the file; its stream moves to |output| in place
  ResultOutput output;       // where the result is written
  bool existed = false;      // an existing file was opened (not created)
  bool binary = false;       // --skip-binary passes it over; no output opened
  bool passed_over = false;  // processed already under another name
  // A small file to be rewritten in place may be loaded unlocked, to be
  // locked before it is written (store/late_lock.h).
  bool lock_later = false;
  // Loaded already by a worker thread, when its stream is not null.
  LoadedAhead ahead;
};

class FileStore {
 public:
  FileStore(const Settings& settings, Platform* platform);
  ~FileStore();
  FileStore(const FileStore&) = delete;
  FileStore& operator=(const FileStore&) = delete;

  // The files that follow come from a listing of their directory that
  // showed none of the program's own names (|clean|): no journal or spare
  // lay beside them then, so none is looked for before a file is loaded.
  void ListingClean(bool clean) { listing_clean_ = clean; }

  // Loads |path| into *buffer and opens its result's output in *file.
  // While *create is Creating, a missing or empty file is created and
  // *create becomes Created; while it is CreateRequested, an empty file is
  // processed as an empty image. A file that |visits| has seen under an
  // earlier name sets file->passed_over, with nothing open. A file with an
  // interrupted rewrite's journal is recovered first (outcome->recovery)
  // and loaded again; one whose rewrite this run's own command had begun
  // is counted as done (outcome->loaded, with its journal's figures) and
  // not loaded. On failure returns the error and leaves no stream open.
  FileError Open(const std::string& path, const std::string& output_path,
                 CreateState* create, FileVisits* visits, FileBuffer* buffer,
                 OpenedFile* file, FileOutcome* outcome);

  // The journal an in-place rewrite of |path| writes its result to first;
  // null where the result goes elsewhere or nothing is written. |buffer|
  // holds the file as |file| loaded it.
  std::unique_ptr<JournalWriter> JournalFor(const std::string& path,
                                            const OpenedFile& file,
                                            const FileBuffer& buffer);

 private:
  FileError Load(const std::string& path, const std::string& output_path,
                 CreateState* create, FileVisits* visits, FileBuffer* buffer,
                 OpenedFile* file);
  bool FindsPendingRewrite(const std::string& path, const OpenedFile& file,
                           bool* noted);

  const Settings& settings_;
  Platform* platform_;
  SpareJournal spare_;             // the last journal file, kept for the next
  std::set<std::string> cleared_;  // directories cleared of dead spares
  bool listing_clean_ = false;
};

}  // namespace swu

#endif  // SWU_STORE_FILE_STORE_H_
