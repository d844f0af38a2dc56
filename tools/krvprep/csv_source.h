// Reading the publishers' CSV files, plain or xz-compressed.
//
// The registry files are UTF-8, the postal list and the position reference
// files Shift-JIS; both are split the same way, because Shift-JIS trail bytes
// (0x40 and above) never equal the comma or the double quote.
#ifndef KUROVIA_TOOLS_KRVPREP_CSV_SOURCE_H
#define KUROVIA_TOOLS_KRVPREP_CSV_SOURCE_H

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace krv::prep {

// True for names ending in ".xz" (any case).
bool IsXzName(const std::filesystem::path& path);
// The file name without a trailing ".xz".
std::string NameWithoutXz(const std::filesystem::path& path);

// Lines of a text file, decompressed on the fly when the name ends in ".xz".
// Lines come without their line end (LF or CRLF); a last line without a line
// end is returned too.
class LineReader {
 public:
  LineReader();
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool Open(const std::filesystem::path& path);
  // False at the end of the data or on a read or decompression error
  // (error() is then non-empty).
  bool Next(std::string* line);
  // Number of the line last returned, from 1.
  long line_number() const { return lineNumber_; }
  const std::string& error() const { return error_; }

 private:
  bool Fill();

  std::ifstream file_;
  struct XzState;
  std::unique_ptr<XzState> xz_;
  std::string buffer_;
  std::size_t start_ = 0;
  bool eof_ = false;
  long lineNumber_ = 0;
  std::string error_;
};

// Splits one CSV line: fields separated by commas, a field may be enclosed
// in double quotes (a doubled quote inside stands for one).
std::vector<std::string> SplitCsvLine(std::string_view line);

// Decompresses (or copies) a whole file.  `to` is replaced only when the
// whole file was written; on failure it stays as it was.
bool CopyDecompressed(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error);

// A CSV file with a header line naming its columns.
class CsvTable {
 public:
  // Opens the file and reads the header.  A UTF-8 byte-order mark is ignored.
  bool Open(const std::filesystem::path& path);
  // Column index of `name`, -1 when the header has no such column.
  int Column(std::string_view name) const;
  // Names out of `names` the header lacks, joined with ", "; empty when all
  // are present.
  std::string Missing(const std::vector<std::string_view>& names) const;
  // Next data row; false at the end (or on error, see error()).  Rows shorter
  // than the header are padded with empty fields.
  bool Next(std::vector<std::string>* fields);
  long line_number() const { return reader_.line_number(); }
  const std::string& error() const { return reader_.error(); }
  const std::string& line() const { return line_; }

 private:
  LineReader reader_;
  std::map<std::string, int, std::less<>> columns_;
  std::size_t width_ = 0;
  std::string line_;
};

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_CSV_SOURCE_H
