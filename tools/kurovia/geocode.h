// kurovia geocode: address texts to address codes, standard addresses and
// points, one result row per input line.
#ifndef KUROVIA_TOOLS_KUROVIA_GEOCODE_H
#define KUROVIA_TOOLS_KUROVIA_GEOCODE_H

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "kurovia.h"
#include "table_writer.h"
#include "text_encoding.h"

namespace krv::cli {

// Columns of a geocode row.
std::vector<std::string> GeocodeColumns();

// Geocodes one address at a time against the loaded DB and writes its row.
// The library's argument encoding must be set to `encoding`.  Holds the
// working buffers, so a batch allocates nothing per line.
class Geocoder {
 public:
  explicit Geocoder(Encoding encoding);

  // One row for `line`: an empty line, a line that is not valid text in the
  // encoding, and an address that matches nothing all give level 0 with
  // empty code, address and point.
  void Geocode(std::string_view line, TableWriter& writer);

  // The code of the last Geocode call (all zero for level 0).
  const AdrCode& code() const { return code_; }

 private:
  Encoding encoding_;
  AdrCode code_{};
  std::string input_;
  char filtered_[1024];
  char name_[1024];
  char reading_[1024];
};

enum class ProgressMode { kAuto, kOn, kOff };

struct GeocodeOptions {
  TableFormat format = TableFormat::kTsv;
  Encoding encoding = Encoding::kUtf8;
  bool header = true;
  ProgressMode progress = ProgressMode::kAuto;
  // Addresses given as arguments; when empty, lines are read from
  // `inputFile` ("-" or empty: the input stream).
  std::vector<std::string> addresses;
  std::string inputFile;
};

// What the caller knows about its streams.
struct StreamInfo {
  bool errIsTerminal = false;
  bool inIsTerminal = false;
  // Size of the input stream when it is a regular file, else 0.
  uint64_t inputBytes = 0;
};

// Geocodes with the DB already loaded.  Returns the exit status: 0, or 1 when
// the input file cannot be read or the output cannot be written.
int RunGeocode(const GeocodeOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const StreamInfo& streams);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_GEOCODE_H
