// Where a result goes when it is shown rather than written (--diff): the
// result writer tells the sink which stretches of the image stay and which
// give way to the bytes it has just written. The sink is also the stream
// those bytes are written to.

#ifndef SWU_RESULT_CHANGE_SINK_H_
#define SWU_RESULT_CHANGE_SINK_H_

#include <cstdint>

#include "platform/file.h"

namespace swu {

class ChangeSink : public ByteSink {
 public:
  // The next |n| bytes of the image stay as they are.
  virtual void Unchanged(int64_t n) = 0;
  // The next |n| bytes of the image give way to the bytes written since
  // the last Unchanged().
  virtual void Replaced(int64_t n) = 0;
  // After the last call: the rest of an image of |size| bytes that was
  // neither kept nor replaced is left out of the result.
  virtual void Finish(int64_t size) = 0;
  // False once the changes no longer describe a result.
  virtual bool consistent() const = 0;
};

}  // namespace swu

#endif  // SWU_RESULT_CHANGE_SINK_H_
