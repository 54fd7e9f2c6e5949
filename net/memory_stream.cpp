#include <algorithm>
#include <cstring>

#include "net/stream.h"

namespace tallivo {

bool TupMemoryStream::Write(const void* data, std::size_t size) {
  if (size == 0) return true;
  if (position_ > data_.size() || size > data_.max_size() - position_) return false;
  if (position_ + size > data_.size()) data_.resize(position_ + size);
  std::memcpy(data_.data() + position_, data, size);
  position_ += size;
  return true;
}

std::size_t TupMemoryStream::Read(void* data, std::size_t size) {
  if (position_ >= data_.size()) return 0;
  const std::size_t count = std::min(size, data_.size() - position_);
  std::memcpy(data, data_.data() + position_, count);
  position_ += count;
  return count;
}

bool TupMemoryStream::SetPosition(std::int64_t position) {
  if (position < 0) return false;
  position_ = static_cast<std::size_t>(position);
  return true;
}

}  // namespace tallivo
