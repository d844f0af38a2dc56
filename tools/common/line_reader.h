// Reading source and list files line by line.
//
// The tools read their text files the way a line-oriented reader with a
// fixed buffer does: a line comes back with its line feed, and a line longer
// than the piece size arrives in several pieces, each taken as a line.  Line
// ends are read as text: a carriage return before the line feed is dropped,
// so files with CRLF and with LF line ends read the same.  A last line
// without a line end is delivered like any other.  Text after a NUL byte in a
// line is not part of it.
//
// The file is read in large blocks, so a line costs no system call and no
// allocation.  Tell and Seek let a reader look ahead and come back.
#ifndef KUROVIA_TOOLS_COMMON_LINE_READER_H
#define KUROVIA_TOOLS_COMMON_LINE_READER_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace krv::tool {

class LineReader {
 public:
  LineReader();
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Opens `path` for reading; false when it cannot be opened.  Closes a file
  // opened before.
  bool Open(const std::string& path);
  void Close();
  bool is_open() const { return file_ != nullptr; }

  // The next piece of at most `maxBytes` bytes, its line feed included when
  // the line ended within it.  The view stays valid until the next call.
  // False at the end of the file (or on a read error) with nothing read.
  bool ReadLine(std::size_t maxBytes, std::string_view* line);

  // True when a read of the file failed (not at its end).
  bool error() const { return error_; }
  // The system's error number of that failure.
  int error_number() const { return errorNumber_; }

  // Position of the next unread byte, and a return to such a position.
  uint64_t Tell() const { return bufferStart_ + begin_; }
  bool Seek(uint64_t position);

 private:
  // Makes at least one more byte available; false at the end or on error.
  bool Fill();

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  uint64_t bufferStart_ = 0;  // file position of buffer_[0]
  bool error_ = false;
  int errorNumber_ = 0;
  std::string line_;
};

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_LINE_READER_H
