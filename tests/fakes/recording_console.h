// A console for the report tests: keeps everything printed, in the order
// printed, and counts the keys read.

#ifndef SWU_TESTS_FAKES_RECORDING_CONSOLE_H_
#define SWU_TESTS_FAKES_RECORDING_CONSOLE_H_

#include <cstddef>
#include <string>

#include "platform/console.h"

namespace swu {

class RecordingConsole : public Console {
 public:
  void Print(const char* data, size_t n) override { output.append(data, n); }
  void ReadKey() override { ++keys_read; }

  std::string output;  // everything printed
  int keys_read = 0;
};

}  // namespace swu

#endif  // SWU_TESTS_FAKES_RECORDING_CONSOLE_H_
