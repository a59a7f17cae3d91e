// The run's and a file's outcome codes. A code carries no message text;
// the report module prints the message that belongs to it.

#ifndef SWU_REPORT_STATUS_H_
#define SWU_REPORT_STATUS_H_

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

// One file's outcome: 0 or more is the number of matches acted on; a
// negative value is one of these errors.
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
};

// A file's status as the report sees it: matches acted on, or an error.
using FileStatus = int64_t;

// The -B:C / -T:C create option.
enum class CreateState {
  None,
  CreateRequested,  // asked for on the command line
  Creating,         // no file matched: the named file is being created
  Created,          // the file has been created; it is the run's last
};

}  // namespace swu

#endif  // SWU_REPORT_STATUS_H_
