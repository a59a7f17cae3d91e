// Where a --diff run's diff goes: standard output, byte for byte, while
// every message of the run goes to standard error.

#ifndef SWU_REPORT_DIFF_REPORT_H_
#define SWU_REPORT_DIFF_REPORT_H_

#include <cstdint>

#include "diff/unified_diff.h"
#include "platform/console.h"

namespace swu {

class DiffReport : public DiffOutput {
 public:
  explicit DiffReport(Console* console) : console_(console) {}

  void Write(const char* data, int64_t n) override {
    if (n > 0) console_->WriteOutput(data, static_cast<size_t>(n));
  }

 private:
  Console* console_;
};

}  // namespace swu

#endif  // SWU_REPORT_DIFF_REPORT_H_
