// Per-file messages.

#include "report/file_report.h"

#include <cassert>
#include <cinttypes>

#include "report/printer.h"
#include "report/verbosity.h"

namespace swu {

namespace {

void PrintError(const FileOutcome& outcome, const FileNames& names,
                const Settings& settings, Platform* platform) {
  std::string shown = platform->DisplayPath(names.path);
  const char* path = shown.c_str();
  Printf(platform, "\nERROR: ");
  switch (outcome.error) {
    case FileError::OpenFailed:
      Printf(platform, "Cannot open file or file is Read Only: %s\n", path);
      return;
    case FileError::LoadNoMemory:
      Printf(platform, "Not enough memory to load file: %s\n", path);
      return;
    case FileError::BadSize:
      Printf(platform,
             "File too big or 0 bytes (%" PRId64 " byte maximum): %s\n",
             kMaxFileSize, path);
      return;
    case FileError::ReadFailed:
      Printf(platform, "Bad file - Could not read: %s\n", path);
      return;
    case FileError::WriteOpenFailed:
      Printf(platform, "Could not write file or directory: ");
      if (!settings.output_mode()) {
        Printf(platform, "%s\n", path);
      } else {
        Printf(platform, "%s",
               platform->DisplayPath(names.output_target).c_str());
        if (settings.output_directory()) {
          Printf(platform, "%s", platform->DisplayPath(names.pattern).c_str());
        }
        Printf(platform, "\n");
      }
      return;
    case FileError::NameTooLong:
      Printf(platform, "Filename too long (%d byte maximum):\n%s%s\n",
             names.long_limit,
             platform->DisplayPath(names.long_directory).c_str(),
             platform->DisplayPath(names.long_name).c_str());
      return;
    case FileError::WriteFault:
      Printf(platform, "Write fault encountered: %s\n", path);
      return;
    case FileError::ReadOnly:
      Printf(platform, "File is Read Only - %s\n", path);
      return;
    case FileError::ReloadFailed:
      Printf(platform, "Could not read file for /L switch again: %s\n",
             settings.new_file);
      return;
    case FileError::ChangedDuringRewrite:
      Printf(platform,
             "File changed by another program during the rewrite; journal "
             "kept: %s\n",
             path);
      return;
    case FileError::DirectoryUnreadable:
      Printf(platform, "Unable to read directory: %s\n", path);
      return;
    case FileError::TruncateFailed:
      // The one extended error: the message gives its number, -20, and
      // names no file, as it always has.
      Printf(platform, "Extended error: -20 on file: \n");
      return;
    case FileError::None:
      assert(false);  // Only a failed file is reported as an error.
      return;
  }
}

void PrintResult(const FileOutcome& outcome, const FileNames& names,
                 const Settings& settings, CreateState create,
                 Platform* platform) {
  if (settings.counts_matches() && outcome.matches_found > outcome.acted_on) {
    Printf(platform, "\n(Skipped %" PRId64 " matches)",
           outcome.matches_found - outcome.acted_on);
  }
  if (outcome.acted_on > 0) {
    Printf(platform, "\nOK: %" PRId64 " matches found: %s\n", outcome.acted_on,
           platform->DisplayPath(names.path).c_str());
  } else if (create != CreateState::Created) {
    Printf(platform, "\nNo matches found: %s\n",
           platform->DisplayPath(names.path).c_str());
  }
  if (!outcome.text_added) return;
  if (create == CreateState::Created) {
    // Under -$ the file was created in the output, so name that one.
    const std::string& created =
        settings.output_mode() ? names.output_file : names.path;
    Printf(platform, "\nNew file created: %s ",
           platform->DisplayPath(created).c_str());
  }
  Printf(platform, settings.add_mode() == AddMode::kAtEnd
                       ? "(String appended)\n"
                       : "(String inserted)\n");
}

// --diff: names the file whose change the diff leaves out, and why. Under
// -$ that is the output file, whose change the diff would show.
void PrintLeftOut(const FileOutcome& outcome, const FileNames& names,
                  const Settings& settings, Platform* platform) {
  const std::string& path =
      settings.output_mode() ? names.output_file : names.path;
  Printf(platform, "\nWARNING: Not shown in the diff: %s (%s)\n",
         platform->DisplayPath(path).c_str(),
         outcome.left_out == DiffOmission::kBinary
             ? "binary"
             : "outside the current directory");
}

}  // namespace

void ReportDetail(const FileOutcome& outcome, const FileNames& names,
                  const Settings& settings, Platform* platform) {
  if (!Shows(Output::kDetail, settings.verbosity())) return;
  Printf(platform, "\n");
  if (settings.output_mode()) {
    Printf(platform, "Output filename       : %s\n",
           platform->DisplayPath(names.output_file).c_str());
  }
  Printf(platform, "Original filesize : %" PRId64 "\n", outcome.original_size);
  Printf(platform, "Bytes %s      : %" PRId64 "\n",
         outcome.size_change >= 0 ? "gained" : "lost  ", outcome.size_change);
  Printf(platform, "Bytes written     : %" PRId64 "\n", outcome.bytes_written);
  Printf(platform, "Number times text inserted at %c : %" PRId64 "\n",
         settings.amp(), outcome.insert_count);
  if (outcome.unlocked) {
    Printf(platform, "File not locked   : the file system has no locks\n");
  }
  if (outcome.journal_name_taken) {
    Printf(platform,
           "Journal name taken: by another user's file or a link; "
           "another name used\n");
  }
}

void ReportFile(const FileOutcome& outcome, const FileNames& names,
                const Settings& settings, CreateState create,
                Platform* platform, RunTotals* totals) {
  int verbosity = settings.verbosity();
  if (outcome.passed_over) {
    // Not a file of its own: only the detail level says it was seen.
    if (Shows(Output::kDetail, verbosity)) {
      Printf(platform, "\nAlready processed under another name: %s\n",
             platform->DisplayPath(names.path).c_str());
    }
    return;
  }
  if (outcome.skipped_binary) {
    if (Shows(Output::kSkipped, verbosity)) {
      Printf(platform, "\nSkipped binary file: %s\n",
             platform->DisplayPath(names.path).c_str());
    }
  } else if (outcome.ok()) {
    if (Shows(Output::kFileResult, verbosity)) {
      PrintResult(outcome, names, settings, create, platform);
    }
    if (outcome.left_out != DiffOmission::kNone &&
        Shows(Output::kWarning, verbosity)) {
      PrintLeftOut(outcome, names, settings, platform);
    }
  } else if (Shows(Output::kFileError, verbosity)) {
    PrintError(outcome, names, settings, platform);
  }
  CountFile(outcome, totals);
}

}  // namespace swu
