#include "geocode.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "code_text.h"
#include "line_input.h"
#include "progress.h"

namespace krv::cli {
namespace {

constexpr int kRemoveBlanks = 1;

}  // namespace

std::vector<std::string> GeocodeColumns() {
  return {"input",   "code",    "level",    "gyosei",    "cho",     "aza",  "gaiku",
          "jukyo",   "address", "reading",  "latitude",  "longitude", "matched", "rest"};
}

Geocoder::Geocoder(Encoding encoding) : encoding_(encoding) {
  input_.reserve(sizeof filtered_);
  filtered_[0] = name_[0] = reading_[0] = '\0';
}

void Geocoder::Geocode(std::string_view line, TableWriter& writer) {
  code_ = AdrCode{};
  int matched = 0;
  std::string_view rest;
  std::optional<double> latitude, longitude;
  name_[0] = reading_[0] = '\0';

  // The library refuses invalid UTF-8 itself; Shift-JIS and EUC-JP it takes
  // as they come, so those are checked here.
  const bool valid = encoding_ == Encoding::kUtf8 ? line.find('\0') == std::string_view::npos
                                                  : IsValidText(encoding_, line);
  if (valid) {
    input_.assign(line);
    if (krvAdrFilter(kRemoveBlanks, input_.c_str(), filtered_, sizeof filtered_) == 0) {
      rest = filtered_;
      const int result = krvAdrStr2Code(filtered_, &code_);
      if (result > 0) {
        matched = result;
        rest = SkipChars(encoding_, rest, matched);
        if (krvAdrCode2Str(&code_, name_, sizeof name_, reading_, sizeof reading_) < 0) {
          name_[0] = reading_[0] = '\0';
        }
        double x = 0, y = 0;
        if (krvAdrCode2Point(&code_, &x, &y) == 0 && (x != 0 || y != 0)) {
          latitude = x;
          longitude = y;
        }
      } else {
        // Nothing matched, or the walk failed: no code at all.
        code_ = AdrCode{};
      }
    }
  }

  writer.Text(line);
  writer.Text(code_.level > 0 ? FormatCode(code_).view() : std::string_view());
  writer.Integer(code_.level);
  writer.Integer(code_.gyoseiCode);
  writer.Integer(code_.choCode);
  writer.Integer(code_.azaCode);
  writer.Integer(code_.gaikuCode);
  writer.Integer(code_.jukyoCode);
  writer.Text(name_);
  writer.Text(reading_);
  writer.Degrees(latitude);
  writer.Degrees(longitude);
  writer.Integer(matched);
  writer.Text(rest);
  writer.EndRow();
}

int RunGeocode(const GeocodeOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const StreamInfo& streams) {
  TableWriter writer(out, options.format, options.encoding, GeocodeColumns());
  if (options.header) writer.WriteHeader();
  Geocoder geocoder(options.encoding);

  if (!options.addresses.empty()) {
    for (const std::string& address : options.addresses) geocoder.Geocode(address, writer);
    if (!writer.Flush()) {
      err << "kurovia: cannot write the results\n";
      return 1;
    }
    return 0;
  }

  std::ifstream file;
  std::istream* source = &in;
  uint64_t totalBytes = streams.inputBytes;
  const bool fromFile = !options.inputFile.empty() && options.inputFile != "-";
  if (fromFile) {
    file.open(options.inputFile, std::ios::binary);
    if (!file) {
      err << "kurovia: cannot open the input file " << options.inputFile << '\n';
      return 1;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(options.inputFile, ec);
    totalBytes = ec ? 0 : static_cast<uint64_t>(size);
    source = &file;
  } else if (streams.inIsTerminal) {
    err << "kurovia: reading addresses from the terminal, one a line (Ctrl-D ends)\n";
  }

  const bool showProgress = options.progress == ProgressMode::kOn ||
                            (options.progress == ProgressMode::kAuto && streams.errIsTerminal);
  Progress progress(showProgress ? &err : nullptr, totalBytes);
  LineInput lines(*source);
  std::string_view line;
  uint64_t count = 0;
  while (lines.Next(&line)) {
    geocoder.Geocode(line, writer);
    progress.Update(++count, lines.bytes_read());
  }
  progress.Finish(count, lines.bytes_read());
  bool ok = true;
  if (source->bad()) {
    err << "kurovia: error while reading " << (fromFile ? options.inputFile : std::string("the standard input"))
        << '\n';
    ok = false;
  }
  if (!writer.Flush()) {
    err << "kurovia: cannot write the results\n";
    ok = false;
  }
  return ok ? 0 : 1;
}

}  // namespace krv::cli
