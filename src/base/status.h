// The run's and a file's outcome codes, the vocabulary every folder shares.
// A code carries no message text; the report module prints the message
// that belongs to it. Includes nothing of the project, so any file may
// include it.

#ifndef SWU_BASE_STATUS_H_
#define SWU_BASE_STATUS_H_

#include <cstdint>

namespace swu {

// Run-level outcome: 0 while nothing has failed.
enum class RunStatus : int32_t {
  None = 0,
  NoFiles = -1,
  BadCommandLine = -2,
  NoStartMemory = -3,
  OutputDirFailed = -4,
  DirUnreadable = -5,
  TextFileFailed = -7,
  BadArgument = -8,
  MissingFilespec = -9,
  MissingSearch = -10,
  MissingNew = -11,
  MissingOutputName = -12,
};

// What failed one file; None when nothing did.
enum class FileError : int32_t {
  None = 0,
  OpenFailed = -1,
  LoadNoMemory = -3,
  BadSize = -4,
  ReadFailed = -5,
  WriteOpenFailed = -6,
  NameTooLong = -7,
  WriteFault = -14,
  TruncateFailed = -20,
  ReadOnly = -30,
  // A -K:RM reload of the <new> -L file failed. Kept apart from
  // NameTooLong so that its message can name the -L file.
  ReloadFailed = -31,
  // Another program wrote the file while it was rewritten in place: it
  // does not hold the result, and the journal stays beside it.
  ChangedDuringRewrite = -32,
  // A subdirectory of the -R walk cannot be read: its files are never
  // seen, so it fails as a file does.
  DirectoryUnreadable = -33,
};

// What became of an interrupted rewrite's journal found beside a file.
enum class Recovery {
  kNothing,       // no journal
  kFinished,      // the journal was applied: the file is the result
  kOriginalKept,  // the journal could not have been applied yet: removed
  kFileChanged,   // the file is not as the interrupted rewrite left it
  kDamaged,       // the journal no longer checks, and the file was written
  kInUse,         // another run holds the journal or the file
  kFailed,        // applying it failed; it is kept for another attempt
  kNoFile,        // the journal's file cannot be opened
  kForeign,       // the journal belongs to neither the file's owner nor
                  // the user running the command, or is a link, not a
                  // regular file, or has other names: left alone
  kCannotRemove,  // the journal should go but could not be removed
  kDiscarded,     // removed without being applied, as asked
};

// True for the outcomes after which the file is its original or result
// and no journal is left.
inline bool Recovered(Recovery r) {
  return r == Recovery::kNothing || r == Recovery::kFinished ||
         r == Recovery::kOriginalKept || r == Recovery::kDiscarded;
}

// --diff: why a file's change is left out of the diff, if it is.
enum class DiffOmission {
  kNone,     // shown, or nothing to show
  kBinary,   // a line the diff would print holds a NUL byte
  kOutside,  // its path leaves the current directory
};

// One file's outcome and figures, for the report and the totals.
struct FileOutcome {
  FileError error = FileError::None;  // what failed the file, if anything
  int64_t acted_on = 0;       // matches acted on; 0 when the file failed
  bool loaded = false;        // the replace loop ran (detail block, totals)
  int64_t original_size = 0;  // size as loaded, 0 for a created file
  int64_t size_change = 0;    // bytes gained (positive) or lost (negative)
  int64_t bytes_written = 0;  // length of the result
  int64_t insert_count = 0;   // '&' expansions written
  int64_t matches_found = 0;  // including those -# skipped
  int64_t case_differs = 0;   // acted on, differing in case from the text
  // The search text with its anchor characters as plain ones occurs in the
  // file (looked for only while the run has found no match).
  bool literal_seen = false;
  bool text_added = false;  // the -B/-T insertion was made
  // An interrupted rewrite of the file found before it was processed.
  Recovery recovery = Recovery::kNothing;
  bool unlocked = false;  // its file system had no lock to give
  // The journal's own name was taken by something the run may not use, so
  // its journal went under another name, or into memory.
  bool journal_name_taken = false;
  DiffOmission left_out = DiffOmission::kNone;  // --diff
  // --skip-binary passed the file over: a NUL byte in its first 8 KiB.
  bool skipped_binary = false;
  // Processed already under another name (a link): neither reported as a
  // file nor counted.
  bool passed_over = false;

  bool ok() const { return error == FileError::None; }
};

// The -B:C / -T:C create option.
enum class CreateState {
  None,
  CreateRequested,  // asked for on the command line
  Creating,         // no file matched: the named file is being created
  Created,          // the file has been created; it is the run's last
};

}  // namespace swu

#endif  // SWU_BASE_STATUS_H_
