#include "area_list.h"

#include "fields.h"

namespace krv::tool {

int AreaKindOf(std::string_view word) {
  if (word == "\x93\x73\x93\xB9\x95\x7B\x8C\xA7\x96\xBC") return 1;  // 都道府県名
  if (word == "\x8E\x78\x92\xA1\x96\xBC") return 2;                  // 支庁名
  if (word == "\x8C\x53\x90\xAD\x97\xDF\x8E\x73\x96\xBC") return 3;  // 郡政令市名
  if (word == "\x8E\x73\x8B\xE6\x92\xAC\x91\xBA\x96\xBC") return 4;  // 市区町村名
  return 0;
}

bool ReadAreaListLine(LineReader& reader, std::string_view* fields, std::size_t count) {
  std::string_view line;
  while (reader.ReadLine(kAreaListPieceBytes, &line)) {
    // Only the line end is dropped: a last line without one keeps its last
    // byte.
    line = WithoutLineEnd(line);
    if (line.empty()) continue;
    SplitFields(line, fields, count, kAreaListFieldBytes, Quotes::kNone);
    return true;
  }
  return false;
}

}  // namespace krv::tool
