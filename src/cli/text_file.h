// Loads a -L text file (the search text or the new text) whole and raw:
// every byte is kept, CR, LF and NUL included.
//
// Tested by tests/cli/text_file_test.cc.

#ifndef SWU_CLI_TEXT_FILE_H_
#define SWU_CLI_TEXT_FILE_H_

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace swu {

// Where a -L text goes and where its outcome is recorded.
struct TextFileTarget {
  char* buffer;              // the text's kBufferSize-byte buffer
  std::vector<char>* block;  // a block of its own for a larger file
  uint8_t* load_status;      // slot 38 or 39, 'L' on entry
  uint32_t* length;          // the text's length
};

// Load statuses, as the slot records them.
constexpr uint8_t kLoadInBlock = 'L';  // loaded into a block of its own
constexpr uint8_t kLoadInBuffer = 0;   // loaded into the text's buffer
constexpr uint8_t kLoadNotFound = '1';
constexpr uint8_t kLoadNoMemory = '3';
constexpr uint8_t kLoadBadSize = '4';  // empty or over kMaxFileSize
constexpr uint8_t kLoadReadFailed = '5';
constexpr uint8_t kLoadNoName = '6';

// Reads the file |name|. A file of at most kMaxText bytes goes into the
// buffer (status 0), a larger one into a block of exactly its size (status
// stays 'L'); *length becomes its size. On failure records '1', '3', '4' or
// '5' in the status and leaves *length at 0. The file is always closed.
void LoadTextFile(const char* name, Platform* platform,
                  const TextFileTarget& target);

// Allocates |size| bytes in |block|. Returns false when there is no memory.
bool AllocateTextBlock(int64_t size, std::vector<char>* block);

}  // namespace swu

#endif  // SWU_CLI_TEXT_FILE_H_
