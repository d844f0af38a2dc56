#include "output.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

#include "kurovia.h"
#include "sjis_scan.h"

namespace krv::tool {
namespace {

constexpr int kSjisToUtf8 = 2;
constexpr int kUtf8ToSjis = 3;

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Converts `src` with krvCharConv into `dst` (appended).  False when the
// library cannot convert it.
bool Convert(int mode, std::string_view src, std::size_t maxGrowth, std::string& dst) {
  std::string in(src);
  std::string out(src.size() * maxGrowth + 1, '\0');
  if (krvCharConv(mode, in.c_str(), out.data(), static_cast<int>(out.size())) != 0) return false;
  dst.append(out.c_str());
  return true;
}

}  // namespace

Charset TerminalCharset() {
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset != nullptr &&
      (EqualsIgnoringCase(codeset, "UTF-8") || EqualsIgnoringCase(codeset, "UTF8"))) {
    return Charset::kUtf8;
  }
  return Charset::kShiftJis;
}

Output::Output(Charset charset) : charset_(charset) {}

Output::Output(Charset charset, std::FILE* out, std::FILE* err)
    : charset_(charset), out_(out), err_(err) {}

void Output::Info(std::string_view format, Args args) { Emit(out_, &out_text_, format, args, true); }

// Ignored lines can come by the thousand; they reach the stream with the
// next progress line.
void Output::Warn(std::string_view format, Args args) { Emit(out_, &out_text_, format, args, false); }

void Output::Error(std::string_view format, Args args) {
  error_printed_ = true;
  Emit(out_, &out_text_, format, args, true);
}

void Output::ErrorToStderr(std::string_view format, Args args) {
  error_printed_ = true;
  if (out_ != nullptr) std::fflush(out_);
  Emit(err_, &err_text_, format, args, true);
}

void Output::Emit(std::FILE* stream, std::string* sink, std::string_view format, Args args, bool flush) {
  const std::string text = Compose(format, args);
  if (!text.empty() && sink == &out_text_) at_line_start_ = text.back() == '\n';
  if (stream != nullptr) {
    std::fwrite(text.data(), 1, text.size(), stream);
    // A front end that shows the output as it comes sees every progress
    // line at once.
    if (flush) std::fflush(stream);
  } else {
    sink->append(text);
  }
}

std::string Output::Compose(std::string_view format, Args args) const {
  std::string result;
  result.reserve(format.size() + 64);
  const Arg* arg = args.begin();
  std::size_t literalStart = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    if (format[i] != '%') {
      ++i;
      continue;
    }
    std::size_t specLength = 0;
    if (format.compare(i, 2, "%d") == 0 || format.compare(i, 2, "%s") == 0) {
      specLength = 2;
    } else if (format.compare(i, 4, "%.1f") == 0) {
      specLength = 4;
    } else if (format.compare(i, 2, "%%") == 0) {
      AppendLiteral(result, format.substr(literalStart, i + 1 - literalStart));
      i += 2;
      literalStart = i;
      continue;
    }
    if (specLength == 0 || arg == args.end()) {
      ++i;
      continue;
    }
    AppendLiteral(result, format.substr(literalStart, i - literalStart));
    switch (arg->kind()) {
      case Arg::Kind::kInt:
        result.append(std::to_string(arg->int_value()));
        break;
      case Arg::Kind::kDouble: {
        char number[64];
        std::snprintf(number, sizeof number, "%.1f", arg->double_value());
        result.append(number);
        break;
      }
      case Arg::Kind::kSjis:
        AppendSjis(result, arg->text());
        break;
      case Arg::Kind::kRaw:
        result.append(arg->text());
        break;
    }
    ++arg;
    i += specLength;
    literalStart = i;
  }
  AppendLiteral(result, format.substr(literalStart));
  return result;
}

void Output::AppendLiteral(std::string& dst, std::string_view utf8) const {
  if (charset_ == Charset::kUtf8 || IsAscii(utf8)) {
    dst.append(utf8);
    return;
  }
  // Every literal of the tools has a Shift-JIS form; should one not, its
  // UTF-8 bytes are printed rather than nothing.
  if (!Convert(kUtf8ToSjis, utf8, 1, dst)) dst.append(utf8);
}

void Output::AppendSjis(std::string& dst, std::string_view sjis) const {
  if (charset_ == Charset::kShiftJis || IsAscii(sjis)) {
    dst.append(sjis);
    return;
  }
  // A Shift-JIS byte becomes at most three UTF-8 bytes (half-width kana).
  if (Convert(kSjisToUtf8, sjis, 3, dst)) return;
  // Damaged text: convert character by character, '?' for what has no form.
  std::size_t i = 0;
  while (i < sjis.size()) {
    const std::size_t length = CharLengthAt(sjis, i);
    if (!Convert(kSjisToUtf8, sjis.substr(i, length), 3, dst)) dst.push_back('?');
    i += length;
  }
}

}  // namespace krv::tool
