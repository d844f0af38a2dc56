// Address text to address code: the walk down the hierarchy (area names by
// hash, then town, section, block and residence), and the single steps that
// the build tools drive themselves.
//
// Every working buffer lives on the stack and nothing is allocated: a
// conversion is a few hash-chain walks and linear scans of one small table
// per level.
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

// At most four area names begin an address: prefecture, subprefecture,
// county or designated city, municipality.
constexpr int kAreaPasses = 4;
// Room for the area codes of one name: the name search refuses a 100th.
// krvGetGyoseiCode keeps as many as the walk: a ward name such as 中央区 or
// 北区 stands for a dozen areas, and a cut at ten would lose the last ones
// before the prefecture or the city could choose among them.
constexpr int kCodesPerPass = 100;

constexpr char kOaza[] = "\x91\xe5\x8e\x9a";  // 大字
constexpr std::size_t kOazaBytes = sizeof kOaza - 1;
constexpr char kAza[] = "\x8e\x9a";  // 字
constexpr std::size_t kAzaBytes = sizeof kAza - 1;

struct AreaPass {
  int count;
  int length;  // bytes of the matched name
  int32_t codes[kCodesPerPass];
};

// Whether an area found by the later of two consecutive name passes can lie
// inside an area found by the earlier one.  Normally the prefecture decides.
// When the earlier area is a subprefecture, county or designated city, a
// later area that names a parent of that kind must name this one: wards of
// different cities share names inside one prefecture (大阪市北区 and 堺市北区),
// and the prefecture alone would take whichever comes first.
bool PairAgrees(int32_t earlier, int32_t later) {
  if (earlier / 1000 != later / 1000) return false;
  const GyoseiRecord* outer = FindGyoseiRecord(earlier);
  if (outer == nullptr || (outer->kind != 2 && outer->kind != 3)) return true;
  const GyoseiRecord* inner = FindGyoseiRecord(later);
  if (inner == nullptr) return true;
  const int32_t parent = outer->kind == 2 ? inner->subprefCode : inner->countyCode;
  return parent == 0 || parent == earlier;
}

// The separators the block search does not read before a number ("5－12番"
// is town 5, block 12).  Returns the separator's length when `text` begins
// with one that a numeral follows, else 0.
std::size_t SeparatorBeforeNumeral(const char* text) {
  std::size_t length = 0;
  const auto c0 = static_cast<unsigned char>(text[0]);
  if (c0 == '-') {
    length = 1;
  } else if (c0 == 0x81) {
    const auto c1 = static_cast<unsigned char>(text[1]);
    if (c1 == 0x7C || c1 == 0x5B || c1 == 0x5C || c1 == 0x5D) length = 2;  // － ー ― ‐
  }
  if (length == 0) return 0;
  const char* next = text + length;
  const auto n0 = static_cast<unsigned char>(next[0]);
  if (n0 >= '0' && n0 <= '9') return length;
  if (IsDoubleByte(next) && NumeralValue(n0, static_cast<unsigned char>(next[1])) >= 0) return length;
  return 0;
}

// The byte classes of IsLeadByte and IsTrailByte as tables, so that stepping
// through a text costs no branch per character.
struct ByteClasses {
  uint8_t lead[256];
  uint8_t trail[256];
  constexpr ByteClasses() : lead(), trail() {
    for (unsigned c = 0; c < 256; ++c) {
      lead[c] = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 1 : 0;
      trail[c] = c >= 0x40 && c <= 0xFC && c != 0x7F ? 1 : 0;
    }
  }
};
constexpr ByteClasses kByteClasses;

// Byte length of the character at `p` (1 or 2).  p[1] may be the terminator.
inline std::size_t CharStep(const char* p) {
  return 1u + (kByteClasses.lead[static_cast<unsigned char>(p[0])] &
               kByteClasses.trail[static_cast<unsigned char>(p[1])]);
}

// Where "大字" stands in `text` (of `length` bytes) on a character boundary;
// nullptr when it does not.  Most addresses hold no 大字 at all: a byte
// search rules that out before the character walk.
const char* FindOaza(const char* text, std::size_t length) {
  const char* const end = text + length;
  const char* p = text;
  while ((p = static_cast<const char*>(std::memchr(p, kOaza[0], static_cast<std::size_t>(end - p)))) != nullptr) {
    if (end - p >= 4 && std::memcmp(p, kOaza, kOazaBytes) == 0) break;
    ++p;
  }
  if (p == nullptr) return nullptr;
  for (p = text; *p != '\0'; p += CharStep(p)) {
    if (p[0] == kOaza[0] && p[1] == kOaza[1] && p[2] == kOaza[2] && p[3] == kOaza[3]) return p;
  }
  return nullptr;
}

// Number of characters in the first `bytes` bytes of `text`, which holds at
// least that many (a double-byte character counts one).  Where each
// double-byte character may start is worked out for up to 64 positions at a
// time, independently of each other; only the walk over those marks is
// sequential.
int CountConsumedChars(const char* text, std::size_t bytes) {
  constexpr std::size_t kChunk = 64;
  int count = 0;
  std::size_t pos = 0;
  while (pos < bytes) {
    const std::size_t n = bytes - pos < kChunk ? bytes - pos : kChunk;
    const auto* chunk = reinterpret_cast<const unsigned char*>(text + pos);
    uint64_t doubleByte = 0;
    for (std::size_t i = 0; i < n; ++i) {
      doubleByte |= static_cast<uint64_t>(kByteClasses.lead[chunk[i]] & kByteClasses.trail[chunk[i + 1]]) << i;
    }
    std::size_t offset = 0;
    while (offset < n) {
      offset += 1 + ((doubleByte >> offset) & 1u);
      ++count;
    }
    pos += offset;  // one past the chunk when its last character is double-byte
  }
  return count;
}

// The town step.  "大字" is not part of stored town names: a leading one is
// skipped, one further on is cut out of a copy of the text; its 4 bytes
// count toward the match only when the cut lies inside the matched town
// name.  A leading "字" is tried when nothing matched.  An area without a
// town-name block is its own town 1, provided it has town records at all;
// an area with no town records has no town to find.
int GetChoCode(int32_t gyoseiCode, const char* text, std::size_t textLength, int* matchLength, int32_t* choCode) {
  if (text == nullptr || text[0] == '\0') return -2;
  const char* search = text;
  std::ptrdiff_t cutAt = -1;
  char copy[kTextBufferSize];  // filled only when a 大字 is cut out further on
  if (const char* oaza = FindOaza(text, textLength); oaza != nullptr) {
    cutAt = oaza - text;
    if (cutAt == 0) {
      search = text + kOazaBytes;
    } else {
      const std::size_t head = static_cast<std::size_t>(cutAt) < kTextBufferSize - 1
                                   ? static_cast<std::size_t>(cutAt)
                                   : kTextBufferSize - 1;
      std::memcpy(copy, text, head);
      const char* tail = oaza + kOazaBytes;
      std::size_t used = head;
      while (used < kTextBufferSize - 1 && *tail != '\0') copy[used++] = *tail++;
      copy[used] = '\0';
      search = copy;
    }
  }

  int length = 0;
  int32_t town = 0;
  int result = search[0] == '\0' ? 0 : ChoHashSearch(gyoseiCode, search, &length, &town);
  if (result == 1) {
    if (cutAt >= 0 && cutAt < length) length += static_cast<int>(kOazaBytes);
  } else if (result == 0) {
    if (std::strncmp(text, kAza, kAzaBytes) == 0 && text[kAzaBytes] != '\0') {
      result = ChoHashSearch(gyoseiCode, text + kAzaBytes, &length, &town);
      if (result == 1) length += static_cast<int>(kAzaBytes);
    }
  } else if (result == -4 && FindGyoseiRecord(gyoseiCode) != nullptr) {
    if (ChoRecNumRecords(gyoseiCode) < 1) return 0;
    result = 1;
    length = 0;
    town = 1;
  }
  if (result == 1) {
    if (matchLength != nullptr) *matchLength = length;
    if (choCode != nullptr) *choCode = town;
  }
  return result;
}

// `text` itself when it fits a working buffer, else its first characters
// that do (at most 1,023 bytes, no character cut) copied into `buffer`.
const char* CutToBuffer(const char* text, char (&buffer)[kTextBufferSize]) {
  // Every character lies inside the text, so a text shorter than the
  // buffer is never cut: one fast byte count settles nearly every address.
  if (strnlen(text, kTextBufferSize) < kTextBufferSize) return text;
  std::size_t length = 0;
  while (text[length] != '\0') {
    const std::size_t step = CharLength(text + length);
    if (length + step >= kTextBufferSize) {
      std::memcpy(buffer, text, length);
      buffer[length] = '\0';
      return buffer;
    }
    length += step;
  }
  return text;
}

// krvAdrStr2Code on Shift-JIS text.  `code` is already cleared and stays so
// until an area is chosen.
int WalkAddress(const char* text, AdrCode* code) {
  const std::size_t textLength = std::strlen(text);
  std::size_t p = 0;
  const auto atEnd = [&p, textLength] { return p >= textLength; };

  // Area names: up to four passes, stopping at the first municipality.
  AreaPass passes[kAreaPasses];  // filled pass by pass, never read beyond
  int passCount = 0;
  int last = 0;
  while (passCount < kAreaPasses) {
    AreaPass& pass = passes[passCount];
    int kind = 0;
    last = GyoseiHashSearch(text + p, &pass.length, &kind, pass.codes, kCodesPerPass);
    if (last < 1) break;
    pass.count = last;
    p += static_cast<std::size_t>(pass.length);
    ++passCount;
    if (kind == 4) break;
  }
  if (last == -1 || last <= -3) return -3;
  if (passCount == 0) return 0;

  // The first name must stand for one area.
  AreaPass& first = passes[0];
  for (int i = 1; i < first.count; ++i) {
    if (first.codes[i] != first.codes[0]) return -1;
  }
  first.count = 1;

  // The last name decides, paired with the one before: an ambiguous name
  // takes the first candidate that lies inside an earlier one, and a single
  // candidate must lie inside one as well (東京都中区 is no ward of 横浜市).
  const AreaPass& final = passes[passCount - 1];
  int32_t chosen = 0;
  if (passCount == 1) {
    chosen = final.codes[0];
  } else {
    const AreaPass& before = passes[passCount - 2];
    for (int i = 0; i < before.count && chosen == 0; ++i) {
      for (int j = 0; j < final.count; ++j) {
        if (PairAgrees(before.codes[i], final.codes[j])) {
          chosen = final.codes[j];
          break;
        }
      }
    }
    if (chosen == 0) return 0;
  }

  const GyoseiRecord* area = FindGyoseiRecord(chosen);
  if (area == nullptr) return -4;
  code->level = area->kind;
  switch (area->kind) {
    case 1:
      code->gyoseiCode = PrefectureCode(*area);
      if (code->gyoseiCode == 0) return -4;
      break;
    case 2:
      code->gyoseiCode = area->subprefCode;
      break;
    case 3:
      code->gyoseiCode = area->countyCode;
      break;
    case 4:
      code->gyoseiCode = area->muniCode;
      break;
    default:
      return -4;
  }

  // Below the municipality: town, section, block, residence.  A store that
  // is not loaded answers -1 and ends the walk like a miss.
  if (code->level >= 4 && !atEnd()) {
    int length = 0;
    int32_t town = 0;
    const int found = GetChoCode(code->gyoseiCode, text + p, textLength - p, &length, &town);
    if (found < -1) return -5;
    if (found == 1) {
      code->choCode = town;
      code->level = 5;
      p += static_cast<std::size_t>(length);
    }
    if (found == 1 && !atEnd()) {
      const ChoRecord* townRecord = FindChoRecord(code->gyoseiCode, code->choCode);
      if (townRecord == nullptr) return -6;

      int32_t blockTable = townRecord->gaikuIndex;
      if (townRecord->azaIndex > 0) {
        const AzaRecord* section = nullptr;
        const int sectionFound = SearchAzaTable(townRecord->azaIndex, text + p, &length, &section);
        if (sectionFound < -1) return -7;
        if (sectionFound > 0) {
          code->azaCode = section->azaKey & 0xFFFF;
          code->level = 6;
          p += static_cast<std::size_t>(length);
          blockTable = section->gaikuIndex;
        }
      }

      // Index 0 names no table: the parent has no blocks.
      if (blockTable > 0 && !atEnd()) {
        const std::size_t separator = SeparatorBeforeNumeral(text + p);
        const GaikuRecord* block = nullptr;
        const int blockFound = SearchGaikuTable(blockTable, text + p + separator, &length, &block);
        if (blockFound < -1) return -8;
        if (blockFound > 0) {
          code->gaikuCode = block->gaikuKey;
          code->level = 7;
          p += separator + static_cast<std::size_t>(length);

          if (block->jukyoIndex > 0 && !atEnd()) {
            const JukyoRecord* residence = nullptr;
            const int residenceFound = SearchJukyoTable(block->jukyoIndex, text + p, &length, &residence);
            if (residenceFound < -1) return -9;
            if (residenceFound > 0) {
              code->jukyoCode = residence->jukyoKey;
              code->level = 8;
              p += static_cast<std::size_t>(length);
            }
          }
        }
      }
    }
  }
  // Every step matches inside the text, so p never passes its end.
  return CountConsumedChars(text, p < textLength ? p : textLength);
}

int GetGyoseiCodes(const char* text, int* matchLength, int32_t* codes, int maxCodes) {
  if (text == nullptr) return -2;
  AreaPass passes[kAreaPasses];
  int passCount = 0;
  std::size_t p = 0;
  while (passCount < kAreaPasses && text[p] != '\0') {
    AreaPass& pass = passes[passCount];
    const int found = GyoseiHashSearch(text + p, &pass.length, nullptr, pass.codes, kCodesPerPass);
    if (found < 0) return found;
    if (found == 0) break;
    if (pass.length < 1) return -100;
    pass.count = found;
    p += static_cast<std::size_t>(pass.length);
    ++passCount;
  }
  if (passCount == 0) return 0;
  if (codes == nullptr) return -2;

  int written = 0;
  const AreaPass& final = passes[passCount - 1];
  if (passCount == 1) {
    for (int i = 0; i < final.count && written < maxCodes; ++i) codes[written++] = final.codes[i];
  } else {
    // Every consistent candidate, once for each earlier name it fits.
    const AreaPass& before = passes[passCount - 2];
    for (int j = 0; j < final.count && written < maxCodes; ++j) {
      for (int i = 0; i < before.count && written < maxCodes; ++i) {
        if (PairAgrees(before.codes[i], final.codes[j])) codes[written++] = final.codes[j];
      }
    }
  }
  if (matchLength != nullptr) *matchLength = static_cast<int>(p);
  return written;
}

int GetAzaCode(int32_t gyoseiCode, int32_t choCode, const char* text, int* matchLength, int32_t* azaCode) {
  if (text == nullptr || text[0] == '\0') return -1;
  const ChoRecord* town = FindChoRecord(gyoseiCode, choCode);
  if (town == nullptr) return -2;
  if (town->azaIndex <= 0) return 0;
  const AzaRecord* section = nullptr;
  int length = 0;
  if (SearchAzaTable(town->azaIndex, text, &length, &section) != 1) return 0;
  *matchLength = length;
  *azaCode = section->azaKey & 0xFFFF;
  return 1;
}

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int krvAdrStr2Code(const char* address, AdrCode* code) {
  if (address == nullptr || address[0] == '\0' || code == nullptr) return -2;
  *code = AdrCode{};
  char buffer[krv::kTextBufferSize];  // used only for EUC-JP and UTF-8 input
  const char* text = krv::ArgToSjis(address, buffer);
  if (text == nullptr) return -2;
  // The walk reads at most a working buffer's worth of text in every
  // encoding: a name search looks through all of it for each name of a
  // table, which must not cost seconds on a text of megabytes.  What lies
  // beyond is left unread, like a building name.
  if (text == address) text = krv::CutToBuffer(address, buffer);
  return krv::WalkAddress(text, code);
}

KRV_API int krvGetGyoseiCode(const char* text, int* matchLength, int32_t* codes, int maxCodes) {
  return krv::GetGyoseiCodes(text, matchLength, codes, maxCodes);
}

KRV_API int krvGetChoCode(int32_t gyoseiCode, const char* text, int* matchLength, int32_t* choCode) {
  return krv::GetChoCode(gyoseiCode, text, text == nullptr ? 0 : std::strlen(text), matchLength, choCode);
}

KRV_API int krvGetAzaCode(int32_t gyoseiCode, int32_t choCode, const char* text, int* matchLength,
                          int32_t* azaCode) {
  int length = 0;
  int32_t aza = 0;
  const int result = krv::GetAzaCode(gyoseiCode, choCode, text, &length, &aza);
  if (matchLength != nullptr) *matchLength = result == 1 ? length : 0;
  if (azaCode != nullptr) *azaCode = result == 1 ? aza : 0;
  return result;
}

}  // extern "C"
