// Output that reports its failures: standard output as a stream buffer that keeps the first
// error of the system, and a file written whole or not left behind.
#pragma once

#include <streambuf>
#include <string>
#include <string_view>

namespace selvane {

// Writes all of data to the file descriptor, resuming after interruptions and short writes.
// Returns 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view data);

// A stream buffer over a file descriptor. It keeps the errno of its first failed write and
// fails every write after it, so the stream's state tells the loss and Error() the reason.
class FdStreamBuf : public std::streambuf {
 public:
  explicit FdStreamBuf(int fd);
  FdStreamBuf(const FdStreamBuf&) = delete;
  FdStreamBuf& operator=(const FdStreamBuf&) = delete;
  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Drain();

  int fd_;
  int error_ = 0;
  char buffer_[16384];
};

// Writes data as the file at path, created or emptied first. False with a message in error
// ("cannot write PATH: reason") when the file cannot be opened, written or closed; a regular
// file left part-written is then removed.
bool WriteWholeFile(const std::string& path, std::string_view data, std::string& error);

}  // namespace selvane
