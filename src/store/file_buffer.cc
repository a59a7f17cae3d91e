// The run's block for file images.

#include "store/file_buffer.h"

#include <cassert>
#include <utility>

namespace swu {

void FileBuffer::Reserve(int64_t size) {
  if (block_ != nullptr) return;
  block_ = files_->AllocateBlock(size);
  capacity_ = block_ == nullptr ? 0 : size;
}

bool FileBuffer::MakeRoom(int64_t size) {
  assert(size >= 0);
  if (block_ != nullptr && size <= capacity_) return true;
  Free();  // The old block goes before a larger one is asked for.
  block_ = files_->AllocateBlock(size);
  if (block_ == nullptr) return false;
  capacity_ = size;
  return true;
}

void FileBuffer::SetImage(int64_t size) {
  assert(size >= 0 && size <= capacity_);
  start = 0;
  position = 0;
  end = size;
  lead_in = 0;
}

bool FileBuffer::MakeCreatedImage() {
  if (!MakeRoom(2)) return false;
  block_[0] = '\n';
  block_[1] = '\0';
  start = 1;
  position = 1;
  end = 1;
  lead_in = 1;
  return true;
}

void FileBuffer::UseMappedImage(std::unique_ptr<FileImage> image) {
  assert(image != nullptr);
  mapped_ = std::move(image);
  start = 0;
  position = 0;
  end = mapped_->size();
  lead_in = 0;
}

bool FileBuffer::Intact() const {
  return mapped_ == nullptr || !mapped_->damaged();
}

void FileBuffer::Reset() {
  mapped_.reset();
  start -= lead_in;
  lead_in = 0;
  position = start;
  end = start;
}

void FileBuffer::Free() {
  mapped_.reset();
  if (block_ != nullptr) files_->FreeBlock(block_, capacity_);
  block_ = nullptr;
  capacity_ = 0;
}

}  // namespace swu
