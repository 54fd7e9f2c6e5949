// The file a download is written into.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/handles_win.h"
#include "net/stream.h"

namespace tallivo {

// Raised when the output file cannot be created.
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file created anew (an existing one is emptied), open for reading and
// writing and shared for both; closed when the stream goes.
class TupFileStream : public TupStream {
 public:
  // With `liftProtection`, an existing hidden or read-only file is made
  // writable first and gets its attributes back once created. Throws
  // EFCreateError "Cannot create file "<full name>". <system's reason>".
  TupFileStream(const std::string& fileName, bool liftProtection);
  TupFileStream(const TupFileStream&) = delete;
  TupFileStream& operator=(const TupFileStream&) = delete;

  // Appends at the current position; false (with nothing promised about
  // what was written) when the system refuses.
  bool Write(const void* data, std::size_t size) override;
  std::size_t Read(void* data, std::size_t size) override;
  // The file's size now; -1 when it cannot be read.
  std::int64_t Size() const override;
  std::int64_t Position() const override;
  bool SetPosition(std::int64_t position) override;
  HANDLE Handle() const { return file_.Get(); }

 private:
  UniqueFile file_;
};

}  // namespace tallivo
