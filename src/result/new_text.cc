// <new> during the run. See new_text.h.

#include "result/new_text.h"

#include <cstring>
#include <memory>

#include "result/function_chars.h"

namespace swu {

NewText::NewText(const Settings& settings, FileSystem* files,
                 const SystemRules* rules, Random* random)
    : settings_(settings),
      files_(files),
      rules_(rules),
      random_(random),
      text_(settings.new_text(), settings.new_length) {
  if (!settings.new_text_in_block()) parsed_ = text_;
}

void NewText::Prepare() {
  if (settings_.functions_given() && !text_.empty()) {
    random_->Seed(1);
    ApplyFunctionChars(settings_.functions, random_, &text_);
  }
  if (settings_.apostrophes()) ChangeApostrophes(&text_);
}

bool NewText::RenewAfterMatch() {
  return !ResetWanted(settings_, /*per_match=*/true) || Regenerate();
}

bool NewText::RenewBetweenFiles() {
  return !ResetWanted(settings_, /*per_match=*/false) || Regenerate();
}

int64_t NewText::FindAmp(int64_t from) {
  const uint8_t amp = settings_.amp();
  const int64_t n = size();
  if (amp == 0 || amp_free_ || from >= n) return n;
  const void* hit = memchr(data() + from, amp, static_cast<size_t>(n - from));
  if (hit != nullptr) return static_cast<const uint8_t*>(hit) - data();
  if (from == 0) amp_free_ = true;
  return n;
}

// Restores the text and generates its -K characters afresh.
bool NewText::Regenerate() {
  if (!Restore()) return false;
  ApplyFunctionChars(settings_.functions, random_, &text_);
  // Every renewed text gets -' again, so apostrophes never reach a file
  // unconverted.
  if (settings_.apostrophes()) ChangeApostrophes(&text_);
  return true;
}

// A text that fits its buffer is copied back; a larger -L text is read
// from its file again, as the command line's record never kept a copy.
bool NewText::Restore() {
  if (!settings_.new_text_in_block()) {
    text_ = parsed_;
    return true;
  }
  LoadStatus status =
      ReloadTextFile(rules_->FromTypedPath(settings_.new_file), files_, &text_);
  if (status == LoadStatus::kInBlock) {
    reload_failure_.reset();
    return true;
  }
  reload_failure_ = status;
  return false;
}

LoadStatus ReloadTextFile(const std::string& name, FileSystem* files,
                          std::string* text) {
  std::unique_ptr<File> stream = files->Open(name, OpenMode::kRead);
  if (stream == nullptr) return LoadStatus::kNotFound;
  int64_t size = SizeOf(stream.get());
  if (size < 0) return LoadStatus::kUnreadable;
  int64_t length = static_cast<int64_t>(text->size());
  // The file grew or shrank since it was first loaded.
  if (size != length) return LoadStatus::kBadSize;
  if (!stream->Seek(0, Whence::kStart) ||
      stream->Read(&(*text)[0], length) != length) {
    return LoadStatus::kUnreadable;
  }
  return LoadStatus::kInBlock;
}

}  // namespace swu
