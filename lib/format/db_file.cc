#include "db_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace krv::format {

DbFileReader::~DbFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool DbFileReader::OpenFile(const char* path) {
  if (path == nullptr || fd_ >= 0) return false;
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  // The size bounds every count read from the file before anything is
  // allocated for it.
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end < 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return false;
  size_ = static_cast<uint64_t>(end);
  position_ = 0;
  return true;
}

bool DbFileReader::ReadRaw(void* out, std::size_t bytes) {
  if (fd_ < 0) return false;
  auto* to = static_cast<char*>(out);
  std::size_t got = 0;
  while (got < bytes) {
    const ssize_t n = ::read(fd_, to + got, bytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  position_ += got;
  return got == bytes;
}

DbFileWriter::~DbFileWriter() { Abandon(); }

bool DbFileWriter::Create(const char* path) {
  Abandon();
  committed_ = false;
  finished_ = false;
  if (path == nullptr || *path == '\0') return false;
  target_ = path;
  temp_ = target_ + ".tmp";
  failed_ = false;
  file_ = std::fopen(temp_.c_str(), "wb");
  return file_ != nullptr;
}

bool DbFileWriter::WriteRaw(const void* bytes, std::size_t count) {
  if (file_ == nullptr) return false;
  if (count != 0 && std::fwrite(bytes, 1, count, file_) != count) failed_ = true;
  return !failed_;
}

bool DbFileWriter::Seek(uint64_t offset) {
  if (file_ == nullptr) return false;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) failed_ = true;
  return !failed_;
}

bool DbFileWriter::Finish() {
  if (finished_) return true;
  if (file_ == nullptr) return false;
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (failed_ || !flushed || !closed) {
    std::remove(temp_.c_str());
    temp_.clear();
    return false;
  }
  finished_ = true;
  return true;
}

bool DbFileWriter::Commit() {
  if (!Finish()) return false;
  finished_ = false;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    std::remove(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  committed_ = true;
  return true;
}

void DbFileWriter::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  finished_ = false;
  if (!temp_.empty()) {
    std::remove(temp_.c_str());
    temp_.clear();
  }
}

}  // namespace krv::format
