// <new> as it is written at each match: the text the command line gave,
// with the -K characters generated and the -' change made. Under -K:RM it
// is renewed after every acted-on match and under -K:RF before every file,
// from a copy of the parsed text or, for a -L text in a block of its own,
// by reading its file again. The command line's record is never changed.
// It also keeps the run-long shortcut that spares the emitter its search
// for the -2 character.
//
// Tested by tests/result/new_text_test.cc,
// tests/result/function_chars_test.cc and, for the shortcut,
// tests/result/emitter_test.cc.

#ifndef SWU_RESULT_NEW_TEXT_H_
#define SWU_RESULT_NEW_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>

#include "base/random.h"
#include "cli/settings.h"
#include "platform/file_system.h"
#include "platform/system_rules.h"

namespace swu {

class NewText {
 public:
  // Takes <new> as parsed into |settings|, which must outlive this. A -L
  // file is read again through |files|, its typed name made a path by
  // |rules|.
  NewText(const Settings& settings, FileSystem* files, const SystemRules* rules,
          Random* random);
  NewText(const NewText&) = delete;
  NewText& operator=(const NewText&) = delete;

  // Once, after a command line that was accepted: seeds the generator with
  // 1 and generates the -K characters, then makes the -' change.
  void Prepare();

  // Fresh characters after an acted-on match, when -K:RM asks for them.
  // Returns false when the -L file could not be read again; the text is
  // then not to be used and reload_failure() says why.
  bool RenewAfterMatch();

  // Fresh characters before the next file, when -K:RF asks for them.
  // Fails as RenewAfterMatch() does.
  bool RenewBetweenFiles();

  // The offset of the first -2 character at or after |from|, or size()
  // when there is none, when -2 is disabled or when the shortcut is set.
  // The first search from offset 0 that finds none sets the shortcut, and
  // it holds for the rest of the run, renewals included.
  int64_t FindAmp(int64_t from);
  bool amp_free() const { return amp_free_; }  // the shortcut is set

  const uint8_t* data() const {
    return reinterpret_cast<const uint8_t*>(text_.data());
  }
  int64_t size() const { return static_cast<int64_t>(text_.size()); }
  // Why the last reading of the -L file failed; empty when it did not.
  std::optional<LoadStatus> reload_failure() const { return reload_failure_; }

 private:
  bool Regenerate();
  bool Restore();

  const Settings& settings_;
  FileSystem* files_;
  const SystemRules* rules_;
  Random* random_;
  std::string text_;    // as written
  std::string parsed_;  // as the command line gave it, when in its buffer
  std::optional<LoadStatus> reload_failure_;
  bool amp_free_ = false;  // no -2 character: the emitter's shortcut
};

// Reads the -L file |name| again into |text|, which must keep its length:
// a file that grew or shrank is refused. Returns kInBlock on success, or
// kNotFound, kBadSize or kUnreadable; |text| may then be partly read.
LoadStatus ReloadTextFile(const std::string& name, FileSystem* files,
                          std::string* text);

}  // namespace swu

#endif  // SWU_RESULT_NEW_TEXT_H_
