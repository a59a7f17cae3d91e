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
                       Console* console) {
  if (!settings.output_mode()) return console->DisplayPath(names.path);
  std::string shown = console->DisplayPath(names.output_target);
  if (settings.output_directory()) shown += console->DisplayPath(names.pattern);
  return shown;
}

// Prints the message |text| with the names and numbers it quotes.
void PrintErrorText(const ErrorText& text, const FileNames& names,
                    const Settings& settings, Console* console) {
  std::string path = console->DisplayPath(names.path);
  switch (text.quoted) {
    case Quoted::kFile:
      Printf(console, text.format, path.c_str());
      return;
    case Quoted::kSizeLimitFile:
      Printf(console, text.format, kMaxFileSize, path.c_str());
      return;
    case Quoted::kOutput:
      Printf(console, text.format,
             OutputName(names, settings, console).c_str());
      return;
    case Quoted::kLongName:
      Printf(console, text.format, names.long_limit,
             console->DisplayPath(names.long_directory).c_str(),
             console->DisplayPath(names.long_name).c_str());
      return;
    case Quoted::kNewFile:
      Printf(console, text.format, settings.new_file);
      return;
    case Quoted::kNothing:
      Printf(console, "%s", text.format);
      return;
  }
}

void PrintError(const FileOutcome& outcome, const FileNames& names,
                const Settings& settings, Console* console) {
  Printf(console, "\nERROR: ");
  for (const ErrorText& text : kErrorTexts) {
    if (text.error == outcome.error) {
      PrintErrorText(text, names, settings, console);
      return;
    }
  }
  assert(false);  // Only a failed file is reported as an error.
}

void PrintResult(const FileOutcome& outcome, const FileNames& names,
                 const Settings& settings, CreateState create,
                 Console* console) {
  if (settings.counts_matches() && outcome.matches_found > outcome.acted_on) {
    Printf(console, "\n(Skipped %" PRId64 " matches)",
           outcome.matches_found - outcome.acted_on);
  }
  if (outcome.acted_on > 0) {
    Printf(console, "\nOK: %" PRId64 " matches found: %s\n", outcome.acted_on,
           console->DisplayPath(names.path).c_str());
  } else if (create != CreateState::Created) {
    Printf(console, "\nNo matches found: %s\n",
           console->DisplayPath(names.path).c_str());
  }
  if (!outcome.text_added) return;
  if (create == CreateState::Created) {
    // Under -$ the file was created in the output, so name that one.
    const std::string& created =
        settings.output_mode() ? names.output_file : names.path;
    Printf(console, "\nNew file created: %s ",
           console->DisplayPath(created).c_str());
  }
  Printf(console, settings.add_mode() == AddMode::kAtEnd
                      ? "(String appended)\n"
                      : "(String inserted)\n");
}

// --diff: names the file whose change the diff leaves out, and why. Under
// -$ that is the output file, whose change the diff would show.
void PrintLeftOut(const FileOutcome& outcome, const FileNames& names,
                  const Settings& settings, Console* console) {
  const std::string& path =
      settings.output_mode() ? names.output_file : names.path;
  Printf(console, "\nWARNING: Not shown in the diff: %s (%s)\n",
         console->DisplayPath(path).c_str(),
         outcome.left_out == DiffOmission::kBinary
             ? "binary"
             : "outside the current directory");
}

}  // namespace

void ReportDetail(const FileOutcome& outcome, const FileNames& names,
                  const Settings& settings, Console* console) {
  if (!Shows(Output::kDetail, settings.verbosity())) return;
  Printf(console, "\n");
  if (settings.output_mode()) {
    Printf(console, "Output filename       : %s\n",
           console->DisplayPath(names.output_file).c_str());
  }
  Printf(console, "Original filesize : %" PRId64 "\n", outcome.original_size);
  Printf(console, "Bytes %s      : %" PRId64 "\n",
         outcome.size_change >= 0 ? "gained" : "lost  ", outcome.size_change);
  Printf(console, "Bytes written     : %" PRId64 "\n", outcome.bytes_written);
  Printf(console, "Number times text inserted at %c : %" PRId64 "\n",
         settings.amp(), outcome.insert_count);
  if (outcome.unlocked) {
    Printf(console, "File not locked   : the file system has no locks\n");
  }
  if (outcome.journal_name_taken) {
    Printf(console,
           "Journal name taken: by another user's file or a link; "
           "another name used\n");
  }
}

void ReportFile(const FileOutcome& outcome, const FileNames& names,
                const Settings& settings, CreateState create, Console* console,
                RunTotals* totals) {
  int verbosity = settings.verbosity();
  if (outcome.passed_over) {
    // Not a file of its own: only the detail level says it was seen.
    if (Shows(Output::kDetail, verbosity)) {
      Printf(console, "\nAlready processed under another name: %s\n",
             console->DisplayPath(names.path).c_str());
    }
    return;
  }
  if (outcome.skipped_binary) {
    if (Shows(Output::kSkipped, verbosity)) {
      Printf(console, "\nSkipped binary file: %s\n",
             console->DisplayPath(names.path).c_str());
    }
  } else if (outcome.ok()) {
    if (Shows(Output::kFileResult, verbosity)) {
      PrintResult(outcome, names, settings, create, console);
    }
    if (outcome.left_out != DiffOmission::kNone &&
        Shows(Output::kWarning, verbosity)) {
      PrintLeftOut(outcome, names, settings, console);
    }
  } else if (Shows(Output::kFileError, verbosity)) {
    PrintError(outcome, names, settings, console);
  }
  CountFile(outcome, totals);
}

}  // namespace swu
