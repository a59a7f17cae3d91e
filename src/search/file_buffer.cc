// The run's block for file images.

#include "search/file_buffer.h"

#include <cassert>

namespace swu {

void FileBuffer::Reserve(int64_t size) {
  if (block_ != nullptr) return;
  block_ = platform_->AllocateBlock(size);
  capacity_ = block_ == nullptr ? 0 : size;
}

bool FileBuffer::MakeRoom(int64_t size) {
  if (block_ != nullptr && size <= capacity_) return true;
  Free();  // The old block goes before a larger one is asked for.
  block_ = platform_->AllocateBlock(size);
  if (block_ == nullptr) return false;
  capacity_ = size;
  return true;
}

void FileBuffer::SetImage(int64_t size) {
  assert(size <= capacity_);
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

void FileBuffer::UseMappedImage(char* image, int64_t size) {
  ReleaseMapped();
  mapped_ = image;
  mapped_size_ = size;
  start = 0;
  position = 0;
  end = size;
  lead_in = 0;
}

bool FileBuffer::Intact() const {
  return mapped_ == nullptr || !platform_->ImageDamaged();
}

void FileBuffer::Reset() {
  ReleaseMapped();
  start -= lead_in;
  lead_in = 0;
  position = start;
  end = start;
}

void FileBuffer::ReleaseMapped() {
  if (mapped_ != nullptr) platform_->ReleaseImage(mapped_, mapped_size_);
  mapped_ = nullptr;
  mapped_size_ = 0;
}

void FileBuffer::Free() {
  ReleaseMapped();
  if (block_ != nullptr) platform_->FreeBlock(block_, capacity_);
  block_ = nullptr;
  capacity_ = 0;
}

}  // namespace swu
