#include "app/checked_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace selvane {

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

FdStreamBuf::FdStreamBuf(int fd) : fd_(fd) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

bool FdStreamBuf::Drain() {
  if (error_ == 0) error_ = WriteAll(fd_, std::string_view(pbase(), pptr() - pbase()));
  setp(buffer_, buffer_ + sizeof buffer_);
  return error_ == 0;
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int FdStreamBuf::sync() {
  return Drain() ? 0 : -1;
}

bool WriteWholeFile(const std::string& path, std::string_view data, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  int failure = WriteAll(fd, data);
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (::close(fd) != 0 && failure == 0 && errno != EINTR) failure = errno;
  if (failure == 0) return true;
  error = "cannot write " + path + ": " + std::strerror(failure);
  // A device or a pipe keeps what it took; a file that holds half a picture is taken away.
  if (regular) ::unlink(path.c_str());
  return false;
}

}  // namespace selvane
