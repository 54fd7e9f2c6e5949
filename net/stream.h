// The streams a transfer writes its body into and hands to its events: a file
// on disk (TupFileStream) or memory (TupMemoryStream).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo {

class TupStream {
 public:
  virtual ~TupStream() = default;
  // Writes at the position and moves past what was written, growing the
  // stream as needed; false when nothing more can be written.
  virtual bool Write(const void* data, std::size_t size) = 0;
  // Reads up to `size` bytes from the position; the count read.
  virtual std::size_t Read(void* data, std::size_t size) = 0;
  // -1 when it cannot be told.
  virtual std::int64_t Size() const = 0;
  virtual std::int64_t Position() const = 0;
  // False when the stream cannot go there (a negative position).
  virtual bool SetPosition(std::int64_t position) = 0;
};

class TupMemoryStream : public TupStream {
 public:
  bool Write(const void* data, std::size_t size) override;
  std::size_t Read(void* data, std::size_t size) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
  std::int64_t Position() const override { return static_cast<std::int64_t>(position_); }
  bool SetPosition(std::int64_t position) override;
  // Grows with zero bytes or cuts; the position stays where it is.
  void SetSize(std::size_t size) { data_.resize(size); }
  std::string_view Data() const { return data_; }

 private:
  std::string data_;
  std::size_t position_ = 0;
};

}  // namespace tallivo
