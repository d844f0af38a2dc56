// Lines of an input stream, read in large blocks.
//
// Each line comes as a view into the reader's buffer without its line end
// (LF, or CRLF); a last line without a line end counts too.  A UTF-8
// byte-order mark at the very start is dropped.  The buffer grows only for a
// line longer than itself, so reading allocates nothing per line.
#ifndef KUROVIA_TOOLS_KUROVIA_LINE_INPUT_H
#define KUROVIA_TOOLS_KUROVIA_LINE_INPUT_H

#include <cstdint>
#include <istream>
#include <string_view>
#include <vector>

namespace krv::cli {

class LineInput {
 public:
  explicit LineInput(std::istream& in, std::size_t blockBytes = 1 << 20);

  // The next line; false at the end of the input.  The view stays valid
  // until the next call.
  bool Next(std::string_view* line);

  // Bytes of the input consumed so far (line ends included).
  uint64_t bytes_read() const { return consumed_; }
  // False when the stream reported an error other than its end.
  bool ok() const { return !failed_; }

 private:
  bool Fill();

  std::istream& in_;
  std::vector<char> buffer_;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool failed_ = false;
  bool first_ = true;
  uint64_t consumed_ = 0;
};

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_LINE_INPUT_H
