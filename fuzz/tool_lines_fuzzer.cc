// The build tools' source readers on files of any content: the line reader
// (in every piece size the tools use), the CSV splitter, the area-name list,
// the notation variations and their expansion, the placing of section and
// block source lines through the DB, the file-name and source-type rules and
// the character-wise searches.
//
// Input: one byte choosing the reader, one byte of its settings, then the
// file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "area_list.h"
#include "fields.h"
#include "frame.h"
#include "fuzz_support.h"
#include "line_reader.h"
#include "output.h"
#include "sjis_scan.h"
#include "source_line.h"
#include "variation.h"

namespace {

using namespace krv::tool;

void Check(bool holds) {
  if (!holds) std::abort();
}

// Piece sizes of the tools' readers: the area list, the variations, the
// source lines of the section, block and residence builders.
constexpr std::size_t kPieceSizes[] = {255, 1022, 1023, 1024, 1, 2, 3};

std::string WriteInput(const uint8_t* data, std::size_t size) {
  const std::string path = krv::fuzz::ScratchDir() + "/source.csv";
  krv::fuzz::WriteBytes(path, data, size);
  return path;
}

void Fields(std::string_view line, uint8_t settings) {
  std::string_view fields[16];
  const std::size_t maxFields = 1 + settings % 15;
  const std::size_t maxFieldBytes = settings & 0x10 ? 1023 : 1 + settings % 8;
  const Quotes quotes = static_cast<Quotes>((settings >> 5) % 3);
  const std::size_t found = SplitFields(line, fields, maxFields, maxFieldBytes, quotes);
  Check(found <= maxFields);
  for (std::size_t i = 0; i < maxFields; ++i) {
    Check(fields[i].size() <= maxFieldBytes);
    if (!fields[i].empty()) Check(fields[i].data() >= line.data() && fields[i].data() + fields[i].size() <= line.data() + line.size());
    TruncateToInt(ParseDouble(fields[i]));
    ParseInt(fields[i]);
  }
}

void Lines(const std::string& path, uint8_t settings) {
  LineReader reader;
  if (!reader.Open(path)) return;
  const std::size_t piece = kPieceSizes[settings % (sizeof kPieceSizes / sizeof kPieceSizes[0])];
  std::string_view line;
  int count = 0;
  while (reader.ReadLine(piece, &line)) {
    Check(line.size() <= piece);
    Fields(line, static_cast<uint8_t>(settings + count));
    // Look ahead and come back, as the postal-list reader does.
    if (++count % 7 == 0) {
      const uint64_t at = reader.Tell();
      std::string_view ahead;
      reader.ReadLine(piece, &ahead);
      Check(reader.Seek(at));
    }
  }
}

void AreaList(const std::string& path) {
  LineReader reader;
  if (!reader.Open(path)) return;
  std::string_view fields[14];
  while (ReadAreaListLine(reader, fields, 14)) {
    AreaKindOf(fields[1]);
    AreaNameLengthOk(fields[4]);
    ParseInt(fields[2]);
    TruncateToInt(ParseDouble(fields[6]));
  }
}

class CountingSink : public VariantSink {
 public:
  bool Insert(const char* name) override {
    Check(name != nullptr);
    return ++count_ < 5000;
  }

 private:
  int count_ = 0;
};

void Variations(const std::string& path) {
  LineReader reader;
  if (!reader.Open(path)) return;
  VariationList list;
  list.Load(reader);
  Check(list.variations().size() <= VariationList::kMaxVariations);
  VariantExpander expander(list);
  // Every text of the list expanded as a name, as the hash builders expand
  // area and town names.
  int names = 0;
  for (const Variation& v : list.variations()) {
    Check(v.from.size() <= VariationList::kMaxSideBytes && v.to.size() <= VariationList::kMaxSideBytes);
    for (const std::string* text : {&v.from, &v.to}) {
      const std::string name = *text + *text + "x" + *text;
      CountingSink sink;
      expander.Expand(name.c_str(), sink);
    }
    if (++names == 3) break;
  }
}

void SourceLines(const std::string& path, uint8_t settings) {
  LineReader reader;
  if (!reader.Open(path)) return;
  Output out(settings & 1 ? Charset::kShiftJis : Charset::kUtf8);
  std::string_view line;
  int lineNo = 0;
  while (reader.ReadLine(255, &line)) {
    std::string_view fields[11];
    SplitFields(line, fields, 11, 1023, Quotes::kAllButLast);
    ResolvedLine resolved;
    if (ResolveSourceLine(out, fields[1], fields[2], 1 + settings % 47, ++lineNo, &resolved)) {
      Check(resolved.townLength >= 0 && static_cast<std::size_t>(resolved.townLength) <= fields[2].size());
    }
  }
}

void Names(std::string_view text) {
  std::string lower(text);
  LowerAscii(lower);
  int prefNo = 0;
  int year = 0;
  CheckSourceFileName(lower, &prefNo, &year);
  static const FrameConstants kConstants = {"", 1, "", false, "", 47, "", "csv", "txt", "pnt", "", "", false};
  ChooseSourceType(kConstants, lower);
  const std::size_t comma = FindByteChar(text, ',');
  const std::string_view head = text.substr(0, comma == kNotFound ? text.size() : comma);
  const std::string_view tail = comma == kNotFound ? std::string_view() : text.substr(comma + 1);
  const std::size_t at = FindText(tail, head);
  Check(at == kNotFound || at + head.size() <= tail.size());
  const std::size_t first = FindFirstOf(tail, head);
  Check(first == kNotFound || first < tail.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  krv::fuzz::LoadDb();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const uint8_t settings = data[1];
  const std::string path = WriteInput(data + 2, size - 2);
  switch (data[0] % 5) {
    case 0: Lines(path, settings); break;
    case 1: AreaList(path); break;
    case 2: Variations(path); break;
    case 3: SourceLines(path, settings); break;
    default: Names(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2)); break;
  }
  return 0;
}
