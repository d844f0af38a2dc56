#include "table_writer.h"

#include <charconv>
#include <cstring>

namespace krv::cli {
namespace {

// Rows are passed to the stream once this much is buffered.
constexpr std::size_t kFlushBytes = 1 << 20;

// Degrees are written with 7 decimals (0.36 milliseconds of arc), enough to
// give back the stored milliseconds of arc, without trailing zeros.
constexpr int kDegreeDecimals = 7;

}  // namespace

std::optional<TableFormat> ParseTableFormat(std::string_view name) {
  if (name == "tsv") return TableFormat::kTsv;
  if (name == "csv") return TableFormat::kCsv;
  if (name == "jsonl" || name == "json") return TableFormat::kJsonLines;
  return std::nullopt;
}

TableWriter::TableWriter(std::ostream& out, TableFormat format, Encoding encoding, std::vector<std::string> columns)
    : out_(out), format_(format), encoding_(encoding), columns_(std::move(columns)) {
  buffer_.reserve(kFlushBytes + 4096);
}

TableWriter::~TableWriter() { Flush(); }

void TableWriter::WriteHeader() {
  if (format_ == TableFormat::kJsonLines) return;
  for (const std::string& name : columns_) {
    BeginField();
    buffer_ += name;
  }
  EndRow();
}

void TableWriter::BeginField() {
  if (format_ == TableFormat::kJsonLines) {
    buffer_ += field_ == 0 ? "{\"" : ",\"";
    buffer_ += field_ < columns_.size() ? columns_[field_] : std::string("extra");
    buffer_ += "\":";
  } else if (field_ > 0) {
    buffer_ += format_ == TableFormat::kTsv ? '\t' : ',';
  }
  ++field_;
}

void TableWriter::Text(std::string_view text) {
  BeginField();
  switch (format_) {
    case TableFormat::kTsv:
      AppendTextTsv(text);
      break;
    case TableFormat::kCsv:
      AppendTextCsv(text);
      break;
    case TableFormat::kJsonLines:
      AppendTextJson(text);
      break;
  }
}

void TableWriter::Integer(int64_t value) {
  BeginField();
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  buffer_.append(digits, result.ptr);
}

void TableWriter::Degrees(std::optional<double> value) {
  BeginField();
  if (!value) {
    if (format_ == TableFormat::kJsonLines) buffer_ += "null";
    return;
  }
  char digits[48];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, *value, std::chars_format::fixed, kDegreeDecimals);
  char* end = result.ptr;
  while (end[-1] == '0' && end[-2] != '.') --end;
  buffer_.append(digits, end);
}

void TableWriter::EndRow() {
  if (format_ == TableFormat::kJsonLines) {
    buffer_ += field_ == 0 ? "{}\n" : "}\n";
  } else {
    buffer_ += format_ == TableFormat::kCsv ? "\r\n" : "\n";
  }
  field_ = 0;
  if (buffer_.size() >= kFlushBytes) Flush();
}

bool TableWriter::Flush() {
  if (!buffer_.empty()) {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }
  out_.flush();
  return static_cast<bool>(out_);
}

void TableWriter::AppendTextTsv(std::string_view text) {
  if (text.empty()) return;
  const std::size_t start = buffer_.size();
  buffer_ += text;
  // Three fast scans; the byte loop runs only for the rare text that holds
  // one of them.
  if (std::memchr(text.data(), '\t', text.size()) == nullptr &&
      std::memchr(text.data(), '\n', text.size()) == nullptr &&
      std::memchr(text.data(), '\r', text.size()) == nullptr) {
    return;
  }
  for (std::size_t i = start; i < buffer_.size(); ++i) {
    const char c = buffer_[i];
    if (c == '\t' || c == '\r' || c == '\n') buffer_[i] = ' ';
  }
}

void TableWriter::AppendTextCsv(std::string_view text) {
  // Shift-JIS trail bytes are 0x40 and above, so none of these bytes can be
  // part of a double-byte character in any of the three encodings.
  bool plain = true;
  for (const char c : text) plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
  if (plain) {
    buffer_ += text;
    return;
  }
  buffer_ += '"';
  for (const char c : text) {
    if (c == '"') buffer_ += '"';
    buffer_ += c;
  }
  buffer_ += '"';
}

void TableWriter::AppendTextJson(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  buffer_ += '"';
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (c >= 0x80) {
      length = CharLength(encoding_, text);
      if (encoding_ == Encoding::kUtf8 && !IsValidUtf8(text.substr(0, length))) {
        buffer_ += "\xEF\xBF\xBD";  // U+FFFD
      } else {
        buffer_.append(text.data(), length);
      }
    } else if (c == '"' || c == '\\') {
      buffer_ += '\\';
      buffer_ += static_cast<char>(c);
    } else if (c == '\n') {
      buffer_ += "\\n";
    } else if (c == '\r') {
      buffer_ += "\\r";
    } else if (c == '\t') {
      buffer_ += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      buffer_ += "\\u00";
      buffer_ += kHex[c >> 4];
      buffer_ += kHex[c & 0xF];
    } else {
      buffer_ += static_cast<char>(c);
    }
    text.remove_prefix(length);
  }
  buffer_ += '"';
}

}  // namespace krv::cli
