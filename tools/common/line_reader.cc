#include "line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace krv::tool {
namespace {

constexpr std::size_t kBlockSize = 1 << 16;

}  // namespace

LineReader::LineReader() : buffer_(kBlockSize) { line_.reserve(1024); }

LineReader::~LineReader() { Close(); }

bool LineReader::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "rb");
  return file_ != nullptr;
}

void LineReader::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  begin_ = end_ = 0;
  bufferStart_ = 0;
  error_ = false;
  errorNumber_ = 0;
}

bool LineReader::Fill() {
  if (file_ == nullptr || error_) return false;
  if (begin_ == end_) {
    bufferStart_ += end_;
    begin_ = end_ = 0;
  } else if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    bufferStart_ += begin_;
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) return true;
  const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  end_ += got;
  if (got == 0) {
    if (std::ferror(file_) != 0) {
      error_ = true;
      errorNumber_ = errno;
    }
    return false;
  }
  return true;
}

bool LineReader::ReadLine(std::size_t maxBytes, std::string_view* line) {
  line_.clear();
  bool gotAny = false;
  while (line_.size() < maxBytes) {
    if (begin_ == end_ && !Fill()) break;
    gotAny = true;
    const char* start = buffer_.data() + begin_;
    const std::size_t window = std::min(maxBytes - line_.size(), end_ - begin_);
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', window));
    if (newline != nullptr) {
      const std::size_t taken = static_cast<std::size_t>(newline - start) + 1;
      line_.append(start, taken);
      begin_ += taken;
      if (line_.size() >= 2 && line_[line_.size() - 2] == '\r') line_.erase(line_.size() - 2, 1);
      break;
    }
    line_.append(start, window);
    begin_ += window;
    // A CR LF pair cut by the end of the block or of the piece is still one
    // line end.
    if (!line_.empty() && line_.back() == '\r') {
      if (begin_ == end_) Fill();
      if (begin_ < end_ && buffer_[begin_] == '\n') {
        line_.back() = '\n';
        ++begin_;
        break;
      }
    }
  }
  if (!gotAny) return false;
  const std::size_t nul = line_.find('\0');
  *line = std::string_view(line_.data(), nul == std::string::npos ? line_.size() : nul);
  return true;
}

bool LineReader::Seek(uint64_t position) {
  if (file_ == nullptr) return false;
  if (position >= bufferStart_ && position <= bufferStart_ + end_) {
    begin_ = static_cast<std::size_t>(position - bufferStart_);
    return true;
  }
  if (std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0) return false;
  bufferStart_ = position;
  begin_ = end_ = 0;
  error_ = false;
  return true;
}

}  // namespace krv::tool
