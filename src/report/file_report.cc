// Per-file messages.

#include "report/file_report.h"

#include <cassert>
#include <cinttypes>
#include <string>

#include "report/printer.h"
#include "report/verbosity.h"

namespace swu {

namespace {

// What an error message quotes besides its fixed text.
enum class Quoted {
  kFile,           // the file's path
  kSizeLimitFile,  // the largest file size, then the file's path
  kOutput,         // the output that could not be written
  kLongName,       // the limit passed, then the name that passed it
  kNewFile,        // the -L file of <new>
  kNothing,        // nothing: the message names no file, as it always has
};

// An error's message, a format whose conversions take what |quoted| says.
struct ErrorText {
  FileError error;
  const char* format;
  Quoted quoted;
};

constexpr ErrorText kErrorTexts[] = {
    {FileError::OpenFailed, "Cannot open file or file is Read Only: %s\n",
     Quoted::kFile},
    {FileError::LoadNoMemory, "Not enough memory to load file: %s\n",
     Quoted::kFile},
    {FileError::BadSize,
     "File too big or 0 bytes (%" PRId64 " byte maximum): %s\n",
     Quoted::kSizeLimitFile},
    {FileError::ReadFailed, "Bad file - Could not read: %s\n", Quoted::kFile},
    {FileError::WriteOpenFailed, "Could not write file or directory: %s\n",
     Quoted::kOutput},
    {FileError::NameTooLong, "Filename too long (%d byte maximum):\n%s%s\n",
     Quoted::kLongName},
    {FileError::WriteFault, "Write fault encountered: %s\n", Quoted::kFile},
    {FileError::ReadOnly, "File is Read Only - %s\n", Quoted::kFile},
    {FileError::ReloadFailed, "Could not read file for /L switch again: %s\n",
     Quoted::kNewFile},
    {FileError::ChangedDuringRewrite,
     "File changed by another program during the rewrite; journal kept: %s\n",
     Quoted::kFile},
    {FileError::DirectoryUnreadable, "Unable to read directory: %s\n",
     Quoted::kFile},
    // The one extended error gives its number, -20, in the text.
    {FileError::TruncateFailed, "Extended error: -20 on file: \n",
     Quoted::kNothing},
};

// The output a file could not write: the file itself in place; under -$
// the output file, or the output directory followed by the pattern.
std::string OutputName(const FileNames& names, const Settings& settings,
                       Platform* platform) {
  if (!settings.output_mode()) return platform->DisplayPath(names.path);
  std::string shown = platform->DisplayPath(names.output_target);
  if (settings.output_directory())
    shown += platform->DisplayPath(names.pattern);
  return shown;
}

// Prints the message |text| with the names and numbers it quotes.
void PrintErrorText(const ErrorText& text, const FileNames& names,
                    const Settings& settings, Platform* platform) {
  std::string path = platform->DisplayPath(names.path);
  switch (text.quoted) {
    case Quoted::kFile:
      Printf(platform, text.format, path.c_str());
      return;
    case Quoted::kSizeLimitFile:
      Printf(platform, text.format, kMaxFileSize, path.c_str());
      return;
    case Quoted::kOutput:
      Printf(platform, text.format,
             OutputName(names, settings, platform).c_str());
      return;
    case Quoted::kLongName:
      Printf(platform, text.format, names.long_limit,
             platform->DisplayPath(names.long_directory).c_str(),
             platform->DisplayPath(names.long_name).c_str());
      return;
    case Quoted::kNewFile:
      Printf(platform, text.format, settings.new_file);
      return;
    case Quoted::kNothing:
      Printf(platform, "%s", text.format);
      return;
  }
}

void PrintError(const FileOutcome& outcome, const FileNames& names,
                const Settings& settings, Platform* platform) {
  Printf(platform, "\nERROR: ");
  for (const ErrorText& text : kErrorTexts) {
    if (text.error == outcome.error) {
      PrintErrorText(text, names, settings, platform);
      return;
    }
  }
  assert(false);  // Only a failed file is reported as an error.
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
