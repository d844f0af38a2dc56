// krvprep's readers on files of any content: the CSV reader (plain and
// xz-compressed files, header and rows), the postal-list reader, the
// notation-variation list and the text helpers the rows go through.
//
// Input: one byte choosing the reader, then the file's bytes.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "csv_source.h"
#include "fuzz_support.h"
#include "postal_list.h"
#include "report.h"
#include "section_list.h"
#include "text.h"
#include "variation.h"

namespace {

using namespace krv::prep;

void ReadTable(const std::string& path) {
  CsvTable table;
  if (!table.Open(path)) return;
  table.Column("lg_code");
  table.Missing({"lg_code", "machiaza_id", "pref"});
  std::vector<std::string> fields;
  while (table.Next(&fields)) {
  }
}

void ReadLines(const std::string& path) {
  LineReader reader;
  if (!reader.Open(path)) return;
  std::string line;
  while (reader.Next(&line)) SplitCsvLine(line);
}

void Texts(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) NextCodePoint(text, &pos);
  IsValidUtf8(text);
  CountCodePoints(text);
  FirstCodePoints(text, 5);
  std::string sjis;
  std::string utf8;
  if (Utf8ToSjis(text, &sjis)) SjisToUtf8(sjis, &utf8);
  SjisToUtf8(text, &utf8);
  SjisEncoder encoder;
  encoder.Encode(text, &sjis);
  KatakanaToHiragana(text);
  HalfwidthKanaToFullwidth(text);
  FullwidthDigitsToAscii(text);
  NormalizeChome(text);
  SplitChome(std::string(text));
  ParseDecimal(text);
  ParseInteger(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string& dir = krv::fuzz::ScratchDir();
  std::ostringstream out;
  std::ostringstream err;
  Report report(out, err);
  switch (data[0] % 6) {
    case 0: {
      const std::string path = dir + "/table.csv";
      krv::fuzz::WriteBytes(path, data + 1, size - 1);
      ReadTable(path);
      break;
    }
    case 1: {
      const std::string path = dir + "/lines.csv.xz";
      krv::fuzz::WriteBytes(path, data + 1, size - 1);
      ReadLines(path);
      break;
    }
    case 2: {
      const std::string path = dir + "/KEN_ALL.CSV";
      krv::fuzz::WriteBytes(path, data + 1, size - 1);
      PostalTowns towns;
      ReadPostalTowns(path, report, &towns);
      break;
    }
    case 3: {
      VariationList variations;
      variations.Load(bytes, "krv_variation.csv", report);
      variations.Fold(bytes);
      break;
    }
    case 4:
      for (const std::string& field : SplitCsvLine(bytes)) Texts(field);
      break;
    default:
      Texts(bytes);
      break;
  }
  return 0;
}
