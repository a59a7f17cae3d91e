// Feeds arbitrary bytes to the journal reader as a journal someone left
// beside a file, and applies every journal that reads as complete to an
// in-memory file. The first input byte picks the file's length (the
// rest of the file is the input's own bytes, so a journal can describe
// it). Under the sanitizers this finds overflow in the reader's lengths
// and offsets, reads past what was read, and an apply that writes past
// the result or leaves a file its own proof does not call the result.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fakes/memory_stream.h"
#include "store/journal_apply.h"
#include "store/journal_proof.h"
#include "store/journal_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace swu;
  if (size == 0) return 0;
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  MemoryStream journal(bytes);
  JournalInfo info;
  ReadJournal(&journal, &info);
  if (info.state != JournalState::kComplete) return 0;
  const int64_t original = info.header.original_size;
  const int64_t result = info.end.result_size;
  // A file of the journal's own bytes, as long as its header says, where
  // that is small enough to hold.
  if (original > (1 << 20) || result > (1 << 20)) return 0;
  std::string contents(static_cast<size_t>(original), '\0');
  for (int64_t i = 0; i < original && !bytes.empty(); ++i) {
    contents[static_cast<size_t>(i)] =
        bytes[static_cast<size_t>((i + data[0]) % bytes.size())];
  }
  MemoryStream file(contents);
  CheckFile(&file, original, original, result, info.end.proof);
  Applied applied = ApplyJournal(&journal, info.records_begin, &file, original,
                                 result, false);
  if (applied == Applied::kDone &&
      static_cast<int64_t>(file.data().size()) != result) {
    __builtin_trap();  // An apply that finished must leave the result's length.
  }
  return 0;
}
