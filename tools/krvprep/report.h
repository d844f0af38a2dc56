// What krvprep tells its user: notes on the output stream, every source row
// it cannot convert (file and line) and warnings on the error stream, and a
// closing summary of rows read, lines written and rows reported per output.
#ifndef KUROVIA_TOOLS_KRVPREP_REPORT_H
#define KUROVIA_TOOLS_KRVPREP_REPORT_H

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace krv::prep {

class Report {
 public:
  Report(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  // Counters of one output ("krv_gyoseimei.csv", "aza", ...).
  struct Counts {
    long read = 0;      // source rows looked at
    long written = 0;   // lines written
    long reported = 0;  // source rows reported and not written
    std::map<std::string, long> notes;  // "abolished rows skipped" -> count
  };
  Counts& For(const std::string& output);

  void Note(std::string_view text);
  void Warning(std::string_view text);
  // A source row that is not written: "krvprep: FILE:LINE: WHAT: ROW".  The
  // row text is shown in UTF-8 (`rowIsSjis` converts it first) and cut
  // after 160 bytes.
  void Row(const std::string& output, const std::filesystem::path& file, long line, std::string_view what,
           std::string_view row, bool rowIsSjis = false);
  // A whole file or step that fails; the run ends with exit status 1.
  void Error(std::string_view text);
  bool failed() const { return failed_; }

  void Summary(const std::map<std::string, long>& replacements);

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::vector<std::string> order_;
  std::map<std::string, Counts> counts_;
  bool failed_ = false;
};

// Writes a whole output file through "<path>.tmp" renamed over the target,
// so a failed run never leaves half a file; creates the folder.  Reports
// and returns false on failure.
bool WriteOutputFile(const std::filesystem::path& path, const std::string& content, Report& report);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_REPORT_H
