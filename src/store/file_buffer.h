// The run's one block for file images. A file is loaded whole into it; the
// block is reused from file to file and only replaced by a larger one. A
// large file may instead be mapped as an image of its own, which stands in
// for the block until the file is done. The image is addressed by indexes
// into the block: start, position (the first byte not yet handed to the
// output) and end.

#ifndef SWU_STORE_FILE_BUFFER_H_
#define SWU_STORE_FILE_BUFFER_H_

#include <cassert>
#include <cstdint>
#include <memory>

#include "platform/file_system.h"

namespace swu {

class FileBuffer {
 public:
  explicit FileBuffer(FileSystem* files) : files_(files) {}
  ~FileBuffer() { Free(); }
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;

  // Allocates a first block of |size| bytes if there is none yet. A
  // failure is not an error: the first file then allocates its own.
  void Reserve(int64_t size);

  // Makes room for an image of |size| bytes: keeps the block when it is
  // large enough, otherwise frees it and allocates exactly |size| bytes.
  // On failure returns false and the buffer has no block (capacity 0).
  bool MakeRoom(int64_t size);

  // The image is the first |size| bytes of the block (size <= capacity).
  void SetImage(int64_t size);

  // The image of a file being created: an empty image whose preceding
  // byte reads as LF (so the position counts as a line start) and whose
  // byte at the end reads as NUL. Returns false when no block of two bytes
  // can be had.
  bool MakeCreatedImage();

  // Takes |image| from File::MapImage as the image in place of the
  // block; Reset releases it.
  void UseMappedImage(std::unique_ptr<FileImage> image);

  // False when part of a mapped image could not be read: the file was
  // shortened under it by another program.
  bool Intact() const;

  // Returns the block to its plain state after a file.
  void Reset();

  // The block, to load a file into; never a mapped image, which is
  // read-only.
  char* block() {
    assert(mapped_ == nullptr);
    return block_;
  }
  // The bytes of the image: the mapped image while one stands in, else
  // the block.
  const char* image() const {
    return mapped_ != nullptr ? mapped_->data() : block_;
  }
  // The file's bytes as they are now, at the image's start: a mapped
  // image that sees writes to the file. Null where the image is a copy.
  const char* live_image() const {
    return mapped_ != nullptr && mapped_->SeesWrites() ? mapped_->data() + start
                                                       : nullptr;
  }
  const uint8_t* bytes() const {
    return reinterpret_cast<const uint8_t*>(image());
  }
  int64_t capacity() const { return capacity_; }
  int64_t size() const { return end - start; }

  // Invariant: start <= position <= end; only ResultWriter moves position.
  int64_t start = 0;     // first byte of the image
  int64_t position = 0;  // first byte not yet passed to the output
  int64_t end = 0;       // one past the last byte
  int lead_in = 0;       // 1 while the image stands for a created file

 private:
  void Free();

  FileSystem* files_;
  char* block_ = nullptr;
  int64_t capacity_ = 0;
  std::unique_ptr<FileImage> mapped_;  // while one stands in for the block
};

}  // namespace swu

#endif  // SWU_STORE_FILE_BUFFER_H_
