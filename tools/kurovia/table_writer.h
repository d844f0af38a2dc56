// Result rows of the kurovia commands as TSV, CSV or JSON lines.
//
// A table has fixed columns, named once; each row gives one value per column
// in that order.  Rows are composed in a reused buffer and reach the stream
// in large writes, so a batch of a million rows costs no allocation per row.
//
//  - TSV: a header line of the column names, then one line per row, fields
//    separated by tabs.  Tabs, carriage returns and line feeds inside a text
//    become blanks, so every row stays one line of the same width.
//  - CSV (RFC 4180): the same header, fields separated by commas; a field
//    holding a comma, a double quote, a carriage return or a line feed is
//    enclosed in double quotes, with each double quote doubled.  Lines end
//    in CRLF, as the RFC writes them.
//  - JSON lines: one object a line, keyed by the column names; numbers as
//    numbers, a missing number as null.  Text that is not valid UTF-8 is
//    shown with U+FFFD in place of each bad byte (UTF-8 output only).
//
// Texts arrive in the output encoding of the run.  Shift-JIS trail bytes can
// be 0x5C (the backslash) and others that JSON escapes, so the JSON escaping
// walks Shift-JIS text character by character.
#ifndef KUROVIA_TOOLS_KUROVIA_TABLE_WRITER_H
#define KUROVIA_TOOLS_KUROVIA_TABLE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "text_encoding.h"

namespace krv::cli {

enum class TableFormat { kTsv, kCsv, kJsonLines };

// "tsv", "csv", "jsonl" (also "json"); nullopt for anything else.
std::optional<TableFormat> ParseTableFormat(std::string_view name);

class TableWriter {
 public:
  TableWriter(std::ostream& out, TableFormat format, Encoding encoding, std::vector<std::string> columns);
  ~TableWriter();
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  // The header line (TSV and CSV; nothing for JSON lines).
  void WriteHeader();

  // Values of the current row, one per column in column order.
  void Text(std::string_view text);
  void Integer(int64_t value);
  // A coordinate in degrees, or an empty field / null when absent.
  void Degrees(std::optional<double> value);
  // Ends the row.  Buffered rows reach the stream when the buffer is full or
  // on Flush.
  void EndRow();

  // Writes what is buffered; false when the stream failed.
  bool Flush();

 private:
  void BeginField();
  void AppendTextTsv(std::string_view text);
  void AppendTextCsv(std::string_view text);
  void AppendTextJson(std::string_view text);

  std::ostream& out_;
  TableFormat format_;
  Encoding encoding_;
  std::vector<std::string> columns_;
  std::string buffer_;
  std::size_t field_ = 0;
};

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_TABLE_WRITER_H
