// Run-level messages.

#include "report/run_report.h"

#include <cinttypes>

#include "report/printer.h"
#include "report/verbosity.h"

namespace swu {

namespace {

void PrintLoadLine(LoadStatus outcome, const char* name, Console* console) {
  switch (outcome) {
    case LoadStatus::kBadSize:
      Printf(console, "       (File %s too big - %" PRId64 " maximum)\n", name,
             kMaxFileSize);
      break;
    case LoadStatus::kNotFound:
      Printf(console, "       (File: %s not found)\n", name);
      break;
    case LoadStatus::kNoMemory:
      Printf(console, "       (Could not allocate memory for file: %s)\n",
             name);
      break;
    case LoadStatus::kUnreadable:
      Printf(console, "       (Could not read file: %s)\n", name);
      break;
    default:
      break;  // This text loaded, or was never asked for.
  }
}

// |reload| is the failure of a reload of <new> between files, if any.
void PrintTextFileFailed(const Settings& settings,
                         std::optional<LoadStatus> reload, Console* console) {
  if (settings.list_unreadable) {
    Printf(console, "Could not read the list of files: %s\n",
           console->DisplayPath(settings.list_name).c_str());
    return;
  }
  LoadStatus search = settings.search_load();
  LoadStatus replacement = reload.value_or(settings.new_load());
  if (search == LoadStatus::kNoName || replacement == LoadStatus::kNoName) {
    Printf(console, "Missing filename specified for /L switch: ");
    if (search == LoadStatus::kNoName) Printf(console, "<search>\n");
    if (replacement == LoadStatus::kNoName) Printf(console, "<new>\n");
    return;
  }
  Printf(console, "Could not load file for /L switch into memory\n");
  PrintLoadLine(search, settings.search_file, console);
  PrintLoadLine(replacement, settings.new_file, console);
}

// What a run error's message quotes besides its fixed text.
enum class Quoted {
  kNothing,
  kPattern,          // the file pattern
  kOutputDirectory,  // the -$ output directory
  kBadText,          // the command line text found wrong
  kPlacement,        // the -I/-A letter
  kOutputLetter,     // the -$ letter
};

// A run error's message, a format whose conversion takes what |quoted|
// says.
struct RunErrorText {
  RunStatus status;
  const char* format;
  Quoted quoted;
};

constexpr RunErrorText kRunErrorTexts[] = {
    {RunStatus::NoFiles, "No files to process: %s\n", Quoted::kPattern},
    {RunStatus::NoStartMemory, "Not enough memory to start\n",
     Quoted::kNothing},
    {RunStatus::OutputDirFailed,
     "Unable to find or create output directory: %s\n",
     Quoted::kOutputDirectory},
    {RunStatus::DirUnreadable,
     "Unable to read directory - no files processed\n", Quoted::kNothing},
    {RunStatus::BadArgument, "Bad command line information: %s\n",
     Quoted::kBadText},
    {RunStatus::MissingFilespec,
     "Missing command line information: <filespec> required\n",
     Quoted::kNothing},
    {RunStatus::MissingSearch,
     "Missing command line information: <search> required\n", Quoted::kNothing},
    {RunStatus::MissingNew,
     "Missing command line information: -%c requires <new>\n",
     Quoted::kPlacement},
    {RunStatus::MissingOutputName,
     "Missing command line information: -$:%c requires output filename\n",
     Quoted::kOutputLetter},
};

// The message of a bad command line, also shown for a bad argument that
// names no text and for any code without a message of its own.
constexpr RunErrorText kBadCommandLineText = {
    RunStatus::BadCommandLine, "Bad or missing command line information\n",
    Quoted::kNothing};

const RunErrorText& TextOf(RunStatus status, const RunErrorNames& names) {
  if (status == RunStatus::BadArgument && !names.bad_text_marked) {
    return kBadCommandLineText;
  }
  for (const RunErrorText& text : kRunErrorTexts) {
    if (text.status == status) return text;
  }
  return kBadCommandLineText;
}

// Prints the message |text| with what it quotes.
void PrintRunErrorText(const RunErrorText& text, const RunErrorNames& names,
                       const Settings& settings, Console* console) {
  switch (text.quoted) {
    case Quoted::kNothing:
      Printf(console, "%s", text.format);
      return;
    case Quoted::kPattern:
      Printf(console, text.format, console->DisplayPath(names.pattern).c_str());
      return;
    case Quoted::kOutputDirectory:
      Printf(console, text.format,
             console->DisplayPath(names.output_directory).c_str());
      return;
    case Quoted::kBadText:
      Printf(console, text.format, names.bad_text.c_str());
      return;
    case Quoted::kPlacement:
      Printf(console, text.format, static_cast<char>(settings.placement()));
      return;
    case Quoted::kOutputLetter:
      Printf(console, text.format, settings.output_letter());
      return;
  }
}

}  // namespace

void ReportAddedOptions(const Settings& settings, Console* console) {
  if (settings.added_options.empty() ||
      !Shows(Output::kAddedOptions, settings.verbosity())) {
    return;
  }
  Printf(console, "\nSwitches from SWU_OPTIONS: %s\n",
         settings.added_options.c_str());
}

void ReportTotals(const RunTotals& totals, const Settings& settings,
                  Console* console) {
  int verbosity = settings.verbosity();
  if (!Shows(Output::kTotals, verbosity)) return;
  Printf(console, "\nTotals:        Files: %" PRId64 "  Matches: %" PRId64 "\n",
         totals.files, totals.matches);
  if (totals.failed != 0) {
    Printf(console, "        Files Failed: %" PRId64 "\n", totals.failed);
  }
  if (totals.skipped_binary != 0) {
    Printf(console, "      Binary Skipped: %" PRId64 "\n",
           totals.skipped_binary);
  }
  if (settings.counts_matches() && totals.found > totals.matches) {
    Printf(console, "    (Skipped matches: %" PRId64 ")\n",
           totals.found - totals.matches);
  }
  if (Shows(Output::kBytesAdded, verbosity)) {
    Printf(console, "         Bytes added: %s%" PRId64 "\n",
           totals.bytes_added >= 0 ? "+" : "", totals.bytes_added);
  }
  if (settings.stop_on_error() && totals.failed != 0) {
    Printf(console, "MESSAGE: SWU has stopped on the first error\n");
    if (totals.stopped_with_files_left) {
      Printf(console, "         There was at least one more file to process\n");
    }
  }
}

namespace {

// The note for a search text whose leading -3 character (|start|) or
// trailing -4 character (|end|), or both, were anchors that made it match
// nothing, while the text with them as plain characters occurs.
void PrintAnchorNote(char start, char end, Console* console) {
  PrintNotef(console, "\nNote: no match, but the text occurs with its ");
  if (start != 0 && end != 0) {
    PrintNotef(console,
               "leading %c and trailing %c as plain characters; they tie a "
               "match to a line start and end: %c%c and %c%c find them "
               "literally there, -3 and -4 turn them off\n",
               start, end, start, start, end, end);
  } else if (start != 0) {
    PrintNotef(console,
               "leading %c as a plain character; a leading %c ties a match "
               "to a line start: %c%c finds a literal %c there, -3 turns %c "
               "off\n",
               start, start, start, start, start, start);
  } else {
    PrintNotef(console,
               "trailing %c as a plain character; a trailing %c ties a match "
               "to a line end: %c%c finds a literal %c there, -4 turns %c "
               "off\n",
               end, end, end, end, end, end);
  }
}

}  // namespace

void ReportNotes(const RunTotals& totals, const Settings& settings,
                 Console* console) {
  if (!Shows(Output::kTotals, settings.verbosity())) return;
  if (totals.case_differs > 0 && !settings.case_sensitive()) {
    PrintNotef(console,
               "\nNote: %" PRId64 " of %" PRId64
               " matches differ in case from the search text; -C matches "
               "case exactly\n",
               totals.case_differs, totals.matches);
  }
  if (totals.literal_seen && totals.matches == 0 && totals.found == 0) {
    char start = settings.start_anchor() ? settings.special(3) : 0;
    char end = settings.end_anchor() ? settings.special(4) : 0;
    PrintAnchorNote(start, end, console);
  }
}

void ReportRunError(RunStatus status, const RunErrorNames& names,
                    const Settings& settings, Console* console) {
  Printf(console, "\nERROR: ");
  if (status == RunStatus::TextFileFailed) {
    // Its lines say which -L file failed and how.
    PrintTextFileFailed(settings, names.new_reload, console);
    return;
  }
  PrintRunErrorText(TextOf(status, names), names, settings, console);
}

void ReportDirectorySkipped(const std::string& directory, int verbosity,
                            Console* console) {
  if (!Shows(Output::kWarning, verbosity)) return;
  Printf(console, "\nWARNING: This directory has been skipped: %s\n",
         console->DisplayPath(directory).c_str());
}

void ReportTreeSkipped(const std::string& directory, const std::string& name,
                       int verbosity, Console* console) {
  if (!Shows(Output::kWarning, verbosity)) return;
  Printf(console,
         "\nWARNING: This directory and all subdirectories have been "
         "skipped: %s%s\n",
         console->DisplayPath(directory).c_str(),
         console->DisplayPath(name).c_str());
}

void ReportPausePrompt(int verbosity, Console* console) {
  if (Shows(Output::kPausePrompt, verbosity)) {
    Printf(console, "- Press any key to continue -");
  }
}

void ReportPauseEnd(int verbosity, Console* console) {
  if (Shows(Output::kPausePrompt, verbosity)) Printf(console, "\n");
}

}  // namespace swu
