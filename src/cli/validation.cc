// Validation after the argument loop, in this order: filespec,
// pending switches, search text, new text for -A/-I, -$ output name, the
// default output directory, then the -L files of <search> and <new>.

#include "cli/validation.h"

#include <cstring>
#include <string>

#include "cli/text_file.h"

namespace swu {

namespace {

void CheckTexts(ParseState* state) {
  Settings& settings = *state->settings;
  SettingsWriter& slots = state->slots;
  if (settings.filespec[0] == '\0' && !state->filespec_left_out) {
    state->Fail(RunStatus::MissingFilespec);
  }
  if (state->begun != state->taken) state->Fail(RunStatus::BadArgument);
  if (settings.search_buffer[0] == '\0' && slots[kLoadSearch] != 'L') {
    state->Fail(RunStatus::MissingSearch);
  }
  uint8_t insert_append = slots[kInsertAppend];
  if (settings.new_buffer[0] == '\0' &&
      (insert_append == 'A' || insert_append == 'I')) {
    state->Fail(RunStatus::MissingNew);
  }
}

// The output directory when -$ names none: the current directory. A
// current directory that cannot be read, or whose name does not fit,
// becomes "." (the same directory): a name cut short could point at
// another directory.
void DefaultOutputDirectory(ParseState* state) {
  Settings& settings = *state->settings;
  SettingsWriter& slots = state->slots;
  std::string current;
  if (!state->files->GetCurrentDirectory(&current) || current.empty() ||
      current.size() > static_cast<size_t>(kMaxText)) {
    current = ".";
  }
  CopyBounded(settings.output_name, current.c_str());
  slots[kNoIntelligent] = '~';
}

void CheckOutput(ParseState* state) {
  Settings& settings = *state->settings;
  SettingsWriter& slots = state->slots;
  uint8_t mode = slots[kOutputMode];
  // A missing name outranks an earlier bad switch; a name refused as too
  // long stays the bad argument it is.
  if ((mode == 'F' || mode == 'A') && settings.output_name[0] == '\0' &&
      !state->output_name_refused) {
    state->outcome->status = RunStatus::MissingOutputName;
  }
  if (mode != 0) slots[kOutputPending] = '$';
  if ((mode == '$' || mode == 'B') && settings.output_name[0] == '\0' &&
      !state->failed()) {
    DefaultOutputDirectory(state);
  }
}

// Loads the -L file named in |target|'s buffer when |*status| is 'L' and
// nothing has failed; otherwise the text is its buffer's string.
void LoadText(ParseState* state, char* file_name,
              const TextFileTarget& target) {
  if (*target.load_status != 'L' || state->failed()) {
    *target.length = static_cast<uint32_t>(strlen(target.buffer));
    return;
  }
  // The name is kept apart: the file's contents replace it in the buffer.
  CopyBounded(file_name, target.buffer);
  if (file_name[0] == '\0') {
    *target.load_status = static_cast<uint8_t>(LoadStatus::kNoName);
  } else {
    LoadTextFile(file_name, state->files, state->rules, target);
  }
  LoadStatus status = static_cast<LoadStatus>(*target.load_status);
  if (status != LoadStatus::kInBlock && status != LoadStatus::kInBuffer) {
    state->Fail(RunStatus::TextFileFailed);
  }
}

}  // namespace

void ValidateCommandLine(ParseState* state) {
  Settings& settings = *state->settings;
  SettingsWriter& slots = state->slots;
  CheckTexts(state);
  CheckOutput(state);
  LoadText(state, settings.search_file,
           {settings.search_buffer, &settings.search_block, &slots[kLoadSearch],
            &settings.search_length});
  LoadText(state, settings.new_file,
           {settings.new_buffer, &settings.new_block, &slots[kLoadNew],
            &settings.new_length});
}

}  // namespace swu
