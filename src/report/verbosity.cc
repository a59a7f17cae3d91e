// The verbosity table: the lowest level at which each output is printed.

#include "report/verbosity.h"

namespace swu {

namespace {

struct Row {
  Output output;
  int lowest;
};

constexpr Row kTable[] = {
    {Output::kBanner, 1},       {Output::kWarning, 1},
    {Output::kFileError, 1},    {Output::kFileResult, 2},
    {Output::kDetail, 3},       {Output::kTotals, 1},
    {Output::kBytesAdded, 3},   {Output::kRunError, 1},
    {Output::kPausePrompt, 1},  {Output::kSkipped, 3},
    {Output::kAddedOptions, 3},
};

}  // namespace

bool Shows(Output output, int verbosity) {
  for (const Row& row : kTable) {
    if (row.output == output) return verbosity >= row.lowest;
  }
  return false;
}

}  // namespace swu
