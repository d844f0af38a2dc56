// Printed output of the build tools.
//
// The tools' messages are Japanese.  They are written in the source as UTF-8
// format texts and printed in the charset of the terminal: UTF-8 when the
// locale's codeset is UTF-8, else Shift-JIS.  Arguments are typed, so each
// kind of text is handled the right way whatever the output charset:
//  - Shift-JIS text read from source files or DB records (converted to UTF-8
//    for a UTF-8 output, passed raw for a Shift-JIS output);
//  - paths, printed as the file system gives them (raw bytes, never
//    converted);
//  - text that is already in the output charset (a message composed with
//    Compose and printed inside another one);
//  - integers (%d) and numbers with one decimal (%.1f).
// A format is only ever a literal of the program: a path or a name is an
// argument and never read as a format.
//
// The output also remembers whether an error was printed, which decides the
// exit status of the run: 0 when it completed without an error message, 1
// when one was printed.  Ignored lines and warnings are not errors.
#ifndef KUROVIA_TOOLS_COMMON_OUTPUT_H
#define KUROVIA_TOOLS_COMMON_OUTPUT_H

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace krv::tool {

enum class Charset { kUtf8, kShiftJis };

// The charset of the terminal: sets the C library's LC_CTYPE from the
// environment and asks for its codeset.  Mains call it once.
Charset TerminalCharset();

// Exit statuses of the tools.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// One argument of a message.
class Arg {
 public:
  enum class Kind { kInt, kDouble, kSjis, kRaw };

  Arg(int value) : kind_(Kind::kInt), int_(value) {}           // NOLINT: implicit on purpose
  Arg(double value) : kind_(Kind::kDouble), double_(value) {}  // NOLINT
  // Shift-JIS text from a source file or a DB record.
  static Arg Sjis(std::string_view text) { return Arg(Kind::kSjis, text); }
  // A path, printed byte for byte.
  static Arg Path(std::string_view path) { return Arg(Kind::kRaw, path); }
  // Text already in the output charset (from Output::Compose).
  static Arg Raw(std::string_view text) { return Arg(Kind::kRaw, text); }

  Kind kind() const { return kind_; }
  int int_value() const { return int_; }
  double double_value() const { return double_; }
  std::string_view text() const { return text_; }

 private:
  Arg(Kind kind, std::string_view text) : kind_(kind), text_(text) {}

  Kind kind_;
  int int_ = 0;
  double double_ = 0.0;
  std::string_view text_;
};

using Args = std::initializer_list<Arg>;

class Output {
 public:
  // Collects everything printed in memory (tests read it with text() and
  // error_text()).
  explicit Output(Charset charset);
  // Writes to the given streams (the tools' mains: stdout and stderr).
  Output(Charset charset, std::FILE* out, std::FILE* err);
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  Charset charset() const { return charset_; }

  // Progress and result lines.
  void Info(std::string_view format, Args args = {});
  // Ignored source lines and warnings: printed like Info, not errors.
  void Warn(std::string_view format, Args args = {});
  // A failure: printed on standard output, and the run exits with 1.
  void Error(std::string_view format, Args args = {});
  // A failure reported on standard error.
  void ErrorToStderr(std::string_view format, Args args = {});

  // The message as it would be printed, for use as an Arg::Raw inside
  // another message.
  std::string Compose(std::string_view format, Args args) const;

  bool error_printed() const { return error_printed_; }
  // True when nothing was printed on standard output yet, or the last text
  // printed there ended with a line feed.
  bool at_line_start() const { return at_line_start_; }
  int ExitStatus() const { return error_printed_ ? kExitError : kExitOk; }

  const std::string& text() const { return out_text_; }
  const std::string& error_text() const { return err_text_; }

 private:
  void Emit(std::FILE* stream, std::string* sink, std::string_view format, Args args, bool flush);
  void AppendLiteral(std::string& dst, std::string_view utf8) const;
  void AppendSjis(std::string& dst, std::string_view sjis) const;

  Charset charset_;
  std::FILE* out_ = nullptr;
  std::FILE* err_ = nullptr;
  std::string out_text_;
  std::string err_text_;
  bool error_printed_ = false;
  bool at_line_start_ = true;
};

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_OUTPUT_H
