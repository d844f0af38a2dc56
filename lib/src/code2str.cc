// Address code to its standard written form with the reading, and to a map
// point.
//
// The written form is assembled from the records of every level down to the
// code's: prefecture, subprefecture, county or designated city,
// municipality, town, section, then the block and residence numbers with
// 番/号 (block-and-residence addressing) or 番地 (lot numbers).  The reading
// comes from the stored half-width readings and is handed out in full-width
// katakana.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "arg_encoding.h"
#include "aza_store.h"
#include "cho_store.h"
#include "gaiku_store.h"
#include "gyosei_store.h"
#include "jukyo_store.h"
#include "kurovia.h"
#include "sjis_text.h"

namespace krv {
namespace {

constexpr char kChome[] = "\x92\x9a\x96\xda";          // 丁目
constexpr char kChomeReading[] = "\xc1\xae\xb3\xd2";  // ﾁｮｳﾒ
constexpr char kDash[] = "\x81\x7c";                  // －
constexpr char kBan[] = "\x94\xd4";                   // 番
constexpr char kBanchi[] = "\x94\xd4\x92\x6e";        // 番地
constexpr char kGo[] = "\x8d\x86";                    // 号

// Tokyo's special-ward area has no record of its own and no name in an
// address: 東京都千代田区, not 東京都特別区部千代田区.
constexpr int32_t kTokyoWardArea = 13100;
constexpr int32_t kTokyoPrefNo = 13;

constexpr double kMillisecondsPerDegree = 3600000.0;

// A NUL-terminated text in a fixed buffer; appends beyond its room are cut
// at the last byte, as krvStrcat cuts.
class TextBuffer {
 public:
  TextBuffer() { text_[0] = '\0'; }
  void Append(const char* text, std::size_t length) {
    const std::size_t room = kTextBufferSize - 1 - length_;
    if (length > room) length = room;
    std::memcpy(text_ + length_, text, length);
    length_ += length;
    text_[length_] = '\0';
  }
  void Append(const char* text) { Append(text, std::strlen(text)); }
  const char* c_str() const { return text_; }

 private:
  char text_[kTextBufferSize];
  std::size_t length_ = 0;
};

// Full-width form (Shift-JIS, lead * 256 + trail) of the half-width
// characters 0xA1..0xDF: punctuation, katakana, the sound marks.
constexpr uint16_t kFullWidthKana[0xE0 - 0xA1] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  // ｡｢｣､･ｦｧｨ
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  // ｩｪｫｬｭｮｯｰ
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  // ｱｲｳｴｵｶｷｸ
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  // ｹｺｻｼｽｾｿﾀ
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // ﾁﾂﾃﾄﾅﾆﾇﾈ
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  // ﾉﾊﾋﾌﾍﾎﾏﾐ
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // ﾑﾒﾓﾔﾕﾖﾗﾘ
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,          // ﾙﾚﾛﾜﾝﾞﾟ
};

// The full-width katakana of half-width `c` followed by `mark` (ﾞ or ﾟ)
// when the pair has one (ｶﾞ -> ガ, ﾊﾟ -> パ, ｳﾞ -> ヴ); 0 otherwise.
uint16_t MarkedKana(unsigned char c, unsigned char mark) {
  if (mark == 0xDE) {
    if (c == 0xB3) return 0x8394;                                           // ヴ
    if ((c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE)) return kFullWidthKana[c - 0xA1] + 1;  // ガ..ド, バ..ボ
  } else if (mark == 0xDF) {
    if (c >= 0xCA && c <= 0xCE) return kFullWidthKana[c - 0xA1] + 2;  // パ..ポ
  }
  return 0;
}

// Copies a reading with its half-width katakana made full-width; every
// other character stays.  Cuts at the last whole character that fits the
// buffer.
void ToFullWidthKatakana(const char* src, char (&dst)[kTextBufferSize]) {
  std::size_t out = 0;
  const std::size_t limit = kTextBufferSize - 1;
  for (const char* p = src; *p != '\0';) {
    const auto c = static_cast<unsigned char>(*p);
    uint16_t wide = 0;
    std::size_t used = 1;
    if (c >= 0xA1 && c <= 0xDF) {
      wide = MarkedKana(c, static_cast<unsigned char>(p[1]));
      if (wide != 0) {
        used = 2;
      } else {
        wide = kFullWidthKana[c - 0xA1];
      }
    } else if (IsDoubleByte(p)) {
      wide = static_cast<uint16_t>(c << 8 | static_cast<unsigned char>(p[1]));
      used = 2;
    }
    if (wide != 0) {
      if (out + 2 > limit) break;
      dst[out++] = static_cast<char>(wide >> 8);
      dst[out++] = static_cast<char>(wide & 0xFF);
    } else {
      if (out + 1 > limit) break;
      dst[out++] = static_cast<char>(c);
    }
    p += used;
  }
  dst[out] = '\0';
}

// Decimal text of a number into `out` (room for any int32 and the NUL).
void FormatDecimal(int32_t value, char (&out)[16]) {
  char digits[16];
  int n = 0;
  int64_t v = value;
  const bool negative = v < 0;
  if (negative) v = -v;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  int pos = 0;
  if (negative) out[pos++] = '-';
  while (n > 0) out[pos++] = digits[--n];
  out[pos] = '\0';
}

// Name and reading of one component; both empty when the component is not
// part of the address.
struct Component {
  const char* name = "";
  const char* reading = "";
};

// The four area components: prefecture, subprefecture, county or designated
// city, municipality (index kind - 1).
using AreaComponents = Component[4];

// Fills the component of the area `areaCode` by the area's kind.  0 names no
// area (nothing to fill).  False when the record is missing or its kind
// unknown.
bool FillArea(int32_t areaCode, AreaComponents& areas) {
  if (areaCode == 0) return true;
  if (areaCode == kTokyoWardArea) {
    areas[2] = Component{};
    return true;
  }
  const GyoseiRecord* record = FindGyoseiRecord(areaCode);
  if (record == nullptr || record->kind < 1 || record->kind > 4) return false;
  areas[record->kind - 1] = Component{record->name, record->kana};
  return true;
}

// The parts of an address found for a code.
struct AddressParts {
  AreaComponents areas;
  Component town;
  Component section;
  bool hasBlock = false;
  const char* blockName = nullptr;  // a named block; else blockNumber
  char blockNumber[16] = {'\0'};
  bool hasResidence = false;
  const char* residenceName = nullptr;  // a named residence; else residenceNumber
  char residenceNumber[16] = {'\0'};
  int residenceFlag = 0;
};

// Reads the records of `code` into `parts`: 0, or -1 to -5 by the level
// that failed.
int CollectParts(const AdrCode& code, AddressParts& parts) {
  if (code.level < 1) return -1;
  const GyoseiRecord* area = FindGyoseiRecord(code.gyoseiCode);
  if (area == nullptr) return -1;
  const int32_t prefecture = PrefectureCode(*area);
  if (prefecture == 0 || !FillArea(prefecture, parts.areas)) return -1;
  if (area->kind == 1) return 0;
  // In Tokyo a municipality is written without its subprefecture.
  if (code.gyoseiCode / 1000 != kTokyoPrefNo || area->kind == 2) {
    if (!FillArea(area->subprefCode, parts.areas)) return -1;
    if (area->kind == 2) return 0;
  }
  if (!FillArea(area->countyCode, parts.areas)) return -1;
  if (area->kind == 3) return 0;
  if (!FillArea(area->muniCode, parts.areas)) return -1;
  if (code.level == 4) return 0;

  const int32_t muni = area->muniCode;
  const ChoRecord* town = FindChoRecord(muni, code.choCode);
  if (town == nullptr) return -2;
  parts.town = Component{town->name, town->kana};
  if (code.level == 5) return 0;

  if (code.azaCode != 0) {
    const AzaRecord* section = FindAzaRecord(muni, code.choCode, code.azaCode);
    if (section == nullptr) return -3;
    parts.section = Component{section->name, section->kana};
  }
  if (code.level == 6) return 0;

  const GaikuRecord* block =
      FindGaikuRecord(muni, code.choCode, code.azaCode, code.gaikuCode, &parts.residenceFlag);
  if (block == nullptr) return -4;
  parts.hasBlock = true;
  // A named block is written by its name; a name that cannot be fetched
  // leaves the key.
  parts.blockName = block->gaikuKey < 0 ? BlockName(block->gaikuKey) : nullptr;
  if (parts.blockName == nullptr) FormatDecimal(block->gaikuKey, parts.blockNumber);
  if (code.level == 7) return 0;

  const JukyoRecord* residence =
      FindJukyoRecord(muni, code.choCode, code.azaCode, code.gaikuCode, code.jukyoCode);
  if (residence == nullptr) return -5;
  parts.hasResidence = true;
  parts.residenceName = residence->jukyoKey < 0 ? ResidenceName(residence->jukyoKey) : nullptr;
  if (parts.residenceName == nullptr) FormatDecimal(residence->jukyoKey, parts.residenceNumber);
  return 0;
}

// The written form and the (half-width) reading of the parts.
void Compose(const AdrCode& code, const AddressParts& parts, TextBuffer& name, TextBuffer& reading) {
  for (const Component& area : parts.areas) {
    name.Append(area.name);
    reading.Append(area.reading);
  }
  name.Append(parts.town.name);
  reading.Append(parts.town.reading);

  // A chome keeps its numerals as written and reads チョウメ.
  if (const char* chome = FindOnBoundary(parts.section.name, kChome); chome != nullptr) {
    const std::size_t numerals = static_cast<std::size_t>(chome - parts.section.name);
    name.Append(parts.section.name, numerals);
    reading.Append(parts.section.name, numerals);
    name.Append(kChome);
    reading.Append(kChomeReading);
  } else {
    name.Append(parts.section.name);
    reading.Append(parts.section.reading);
  }

  // Block numbers of 100 and more are lot numbers wherever they stand.
  const bool residenceAddressing = parts.residenceFlag != 0 && code.gaikuCode < 100;
  if (parts.hasBlock) {
    if (parts.blockName != nullptr) {
      // A block name stands alone: 甲 is not 甲番.
      name.Append(parts.blockName);
    } else {
      // "－" keeps the number apart from a name ending in a numeral.
      if (LastCharIsNumeric(name.c_str()) != 0) {
        name.Append(kDash);
        reading.Append(kDash);
      }
      name.Append(parts.blockNumber);
      name.Append(residenceAddressing ? kBan : kBanchi);
    }
  }
  if (parts.hasResidence) {
    if (parts.residenceName != nullptr) {
      name.Append(parts.residenceName);
    } else {
      name.Append(parts.residenceNumber);
      if (residenceAddressing) name.Append(kGo);
    }
  }
}

void ClearText(char* text, int size) {
  if (text != nullptr && size >= 1) text[0] = '\0';
}

// ---------------------------------------------------------------------------
// Points

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool IsSet() const { return x != 0 && y != 0; }
};

// The first child listed under `parent` at `level`, or 0 when there is none.
int32_t FirstChild(AdrCode parent, int32_t level, int capacity, int32_t* list) {
  parent.level = level;
  return krvGetAdrRecordList(&parent, list, capacity);
}

// The point of the first block below a code: for an area the first named
// town of a municipality near it, for a town its first section, then that
// section's (or town's) first block.  0 with the point, or a negative value
// when there is none.
int RepresentativePoint(const AdrCode& code, const GyoseiRecord& area, Point& point) {
  AdrCode at{};
  at.gyoseiCode = code.gyoseiCode;
  at.choCode = code.choCode;
  at.azaCode = code.azaCode;
  int32_t list[2];
  if (code.level <= 4) {
    // The municipality to start from: ward 101 of a prefecture, the first
    // municipality of a subprefecture, county or designated city, else the
    // municipality itself; one step of 100 further when that has no named
    // town.
    int32_t muni = code.gyoseiCode;
    if (area.kind == 1) {
      muni += 101;
    } else if (area.kind == 2 || area.kind == 3) {
      muni += 1;
    }
    at.gyoseiCode = muni;
    if (FirstChild(at, 5, 2, list) < 2) {
      at.gyoseiCode = muni + 100;
      if (FirstChild(at, 5, 2, list) < 2) return -1;
    }
    at.choCode = list[1];  // town 1 is the area's own record
  }
  if (code.level <= 5) {
    const ChoRecord* town = FindChoRecord(at.gyoseiCode, at.choCode);
    if (town == nullptr) return -2;
    at.azaCode = 0;
    if (town->azaIndex != 0) {
      if (FirstChild(at, 6, 1, list) < 1) return -3;
      at.azaCode = list[0];
    }
  }
  if (FirstChild(at, 7, 1, list) < 1) return -4;
  const GaikuRecord* block = FindGaikuRecord(at.gyoseiCode, at.choCode, at.azaCode, list[0]);
  if (block == nullptr) return -5;
  point = Point{block->pointX, block->pointY};
  return 0;
}

// krvAdrCode2Point: 0 with the point, or -1 to -5 by the level that failed.
int FindPoint(const AdrCode& code, Point& point) {
  if (code.level < 1) return -1;
  const GyoseiRecord* area = FindGyoseiRecord(code.gyoseiCode);
  if (area == nullptr) return -1;
  if (code.level <= 4) {
    point = Point{area->pointX, area->pointY};
  } else {
    const ChoRecord* town = FindChoRecord(code.gyoseiCode, code.choCode);
    if (town == nullptr) return -2;
    if (code.level == 5) {
      point = Point{town->pointX, town->pointY};
    } else {
      if (code.azaCode != 0) {
        const AzaRecord* section = FindAzaRecord(code.gyoseiCode, code.choCode, code.azaCode);
        if (section == nullptr) return -3;
        if (code.level == 6) point = Point{section->pointX, section->pointY};
      }
      if (code.level >= 7) {
        const GaikuRecord* block = FindGaikuRecord(code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode);
        if (block == nullptr) return -4;
        if (code.level == 7) {
          point = Point{block->pointX, block->pointY};
          return 0;
        }
        const JukyoRecord* residence =
            FindJukyoRecord(code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode, code.jukyoCode);
        if (residence == nullptr) return -5;
        point = Point{residence->pointX, residence->pointY};
        return 0;
      }
    }
  }
  // Areas, towns and sections without a point of their own take the point of
  // the first block below them; when there is none the point stays 0.
  if (!point.IsSet()) {
    point = Point{};
    RepresentativePoint(code, *area, point);
  }
  return 0;
}

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int krvAdrCode2Str(const AdrCode* code, char* name, int nameSize, char* reading, int readingSize) {
  krv::AddressParts parts;
  const int collected = code == nullptr ? -1 : krv::CollectParts(*code, parts);
  if (collected != 0) {
    krv::ClearText(name, nameSize);
    krv::ClearText(reading, readingSize);
    return collected;
  }
  krv::TextBuffer written;
  krv::TextBuffer halfWidthReading;
  krv::Compose(*code, parts, written, halfWidthReading);
  char fullWidthReading[krv::kTextBufferSize];
  krv::ToFullWidthKatakana(halfWidthReading.c_str(), fullWidthReading);

  // Shift-JIS output is cut to the buffers; a conversion that fails, also
  // for want of room, fails the call.
  if (krv::CurrentArgEncoding() == krv::ArgEncoding::kShiftJis) {
    krvStrcpy(name, written.c_str(), nameSize);
    krvStrcpy(reading, fullWidthReading, readingSize);
  } else if (krv::SjisToArg(written.c_str(), name, nameSize) != 0 ||
             krv::SjisToArg(fullWidthReading, reading, readingSize) != 0) {
    krv::ClearText(name, nameSize);
    krv::ClearText(reading, readingSize);
    return -6;
  }
  return code->level;
}

KRV_API int krvAdrCode2Point(const AdrCode* code, double* x, double* y) {
  if (code == nullptr) return -1;
  krv::Point point;
  const int result = krv::FindPoint(*code, point);
  if (result != 0) return result;
  if (x != nullptr) *x = point.x / krv::kMillisecondsPerDegree;
  if (y != nullptr) *y = point.y / krv::kMillisecondsPerDegree;
  return 0;
}

}  // extern "C"
