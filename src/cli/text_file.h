// Loads a -L text file (the search text or the new text) whole and raw:
// every byte is kept, CR, LF and NUL included.
//
// Tested by tests/cli/text_file_test.cc.

#ifndef SWU_CLI_TEXT_FILE_H_
#define SWU_CLI_TEXT_FILE_H_

#include <cstdint>
#include <vector>

#include "cli/settings.h"
#include "platform/file_system.h"
#include "platform/system_rules.h"

namespace swu {

// Where a -L text goes and where its outcome is recorded.
struct TextFileTarget {
  char* buffer;              // the text's kBufferSize-byte buffer
  std::vector<char>* block;  // a block of its own for a larger file
  uint8_t* load_status;      // kLoadSearch or kLoadNew, 'L' on entry
  uint32_t* length;          // the text's length
};

// Reads the file |name|. A file of at most kMaxText bytes goes into the
// buffer (kInBuffer), a larger one into a block of exactly its size
// (kInBlock); *length becomes its size. On failure records kNotFound,
// kNoMemory, kBadSize or kUnreadable in the status and leaves *length at 0.
// The file is always closed.
void LoadTextFile(const char* name, FileSystem* files, SystemRules* rules,
                  const TextFileTarget& target);

// Allocates |size| bytes in |block|. Returns false when there is no memory.
bool AllocateTextBlock(int64_t size, std::vector<char>* block);

}  // namespace swu

#endif  // SWU_CLI_TEXT_FILE_H_
