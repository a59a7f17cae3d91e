// Reload of the new text's -L file for -K:RM and -K:RF.

#include "search/new_text_reload.h"

#include <memory>

namespace swu {

bool ReloadNewText(Settings* settings, Platform* platform) {
  Settings& s = *settings;
  std::unique_ptr<Stream> stream =
      platform->Open(platform->FromTypedPath(s.new_file), OpenMode::kRead);
  if (stream == nullptr) {
    s[kLoadNew] = '1';
    return false;
  }
  if (!stream->Seek(0, Whence::kEnd)) {
    s[kLoadNew] = '5';
    return false;
  }
  int64_t size = stream->Tell();
  if (size < 0) {
    s[kLoadNew] = '5';
    return false;
  }
  int64_t length = s.new_length;
  if (size != length) {
    s[kLoadNew] = '4';
    return false;  // The file grew or shrank since it was first loaded.
  }
  if (!stream->Seek(0, Whence::kStart) ||
      stream->Read(s.new_text(), length) != length) {
    s[kLoadNew] = '5';
    return false;
  }
  return true;
}

}  // namespace swu
