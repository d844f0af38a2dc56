#include "line_input.h"

#include <cstring>

namespace krv::cli {

LineInput::LineInput(std::istream& in, std::size_t blockBytes) : in_(in), buffer_(blockBytes < 16 ? 16 : blockBytes) {}

// Moves the unread rest to the front, grows the buffer when the rest fills
// it, and reads what fits.  False when nothing more could be read.
bool LineInput::Fill() {
  if (eof_) return false;
  if (start_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
    end_ -= start_;
    start_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  std::streambuf* source = in_.rdbuf();
  const std::streamsize got =
      source == nullptr ? 0
                        : source->sgetn(buffer_.data() + end_, static_cast<std::streamsize>(buffer_.size() - end_));
  if (got <= 0) {
    eof_ = true;
    in_.setstate(std::ios::eofbit);
    return false;
  }
  end_ += static_cast<std::size_t>(got);
  // The byte-order mark is looked for once the first three bytes are in.
  if (first_ && consumed_ == 0 && end_ >= 3) {
    first_ = false;
    if (std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) {
      start_ = 3;
      consumed_ = 3;
    }
  }
  if (consumed_ > 0) first_ = false;
  return true;
}

bool LineInput::Next(std::string_view* line) {
  std::size_t scanned = start_;
  for (;;) {
    const void* newline = std::memchr(buffer_.data() + scanned, '\n', end_ - scanned);
    if (newline != nullptr) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(newline) - buffer_.data());
      std::size_t length = at - start_;
      if (length > 0 && buffer_[at - 1] == '\r') --length;
      *line = std::string_view(buffer_.data() + start_, length);
      consumed_ += at + 1 - start_;
      start_ = at + 1;
      return true;
    }
    const std::size_t offset = scanned - start_;
    const std::size_t before = end_ - start_;
    if (!Fill()) break;
    scanned = start_ + (before > offset ? before : offset);
    if (scanned > end_) scanned = end_;
  }
  if (start_ == end_) return false;
  std::size_t length = end_ - start_;
  if (buffer_[end_ - 1] == '\r') --length;
  *line = std::string_view(buffer_.data() + start_, length);
  consumed_ += end_ - start_;
  start_ = end_;
  return true;
}

}  // namespace krv::cli
