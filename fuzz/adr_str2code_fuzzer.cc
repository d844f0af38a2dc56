// Address texts of any content through krvAdrStr2Code in each argument
// encoding, on a loaded address DB, then the single steps of the walk, the
// way back from the code found, the place-name and character-index
// searches.
//
// Input: one byte choosing the encoding (Shift-JIS, EUC-JP, UTF-8), then the
// text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "kurovia.h"

namespace {

const char* const kEncodings[] = {"Shift_JIS", "EUC-JP", "UTF-8"};

// Characters in a Shift-JIS text, counted as the walk counts them.
int CountCharacters(const char* text) {
  int count = 0;
  for (const char* p = text; *p != '\0'; ++count) p += IsSjisKanji(p) ? 2 : 1;
  return count;
}

void Check(bool holds) {
  if (!holds) std::abort();
}

void Steps(const char* text) {
  int length = -1;
  int32_t codes[10];
  const int n = krvGetGyoseiCode(text, &length, codes, 10);
  Check(n <= 10);
  if (n <= 0) return;
  Check(length > 0 && static_cast<std::size_t>(length) <= std::strlen(text));
  const char* rest = text + length;
  if (*rest == '\0') return;
  int townLength = -1;
  int32_t town = 0;
  if (krvGetChoCode(codes[0], rest, &townLength, &town) != 1) return;
  Check(townLength >= 0 && static_cast<std::size_t>(townLength) <= std::strlen(rest));
  rest += townLength;
  if (*rest == '\0') return;
  int sectionLength = -1;
  int32_t section = -1;
  const int rc = krvGetAzaCode(codes[0], town, rest, &sectionLength, &section);
  Check(rc == 1 ? sectionLength >= 0 && static_cast<std::size_t>(sectionLength) <= std::strlen(rest)
                : sectionLength == 0 && section == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  krv::fuzz::LoadDb();
  if (krv::fuzz::WritingSeeds()) {
    // The written form of codes of the DB, in each encoding, with a
    // building name after some.
    int n = 0;
    for (const AdrCode& code : krv::fuzz::KnownCodes()) {
      char name[1024];
      char reading[1024];
      for (int encoding = 0; encoding < 3; ++encoding) {
        krvSetArgEncoding(kEncodings[encoding]);
        if (krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading) <= 0) continue;
        std::string seed(1, static_cast<char>(encoding));
        seed += name;
        if (n % 3 == 0) seed += "5F";
        krv::fuzz::WriteSeed("db-" + std::to_string(n) + "-" + std::to_string(encoding), seed);
      }
      ++n;
    }
    krvSetArgEncoding("Shift_JIS");
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int encoding = data[0] % 3;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  Check(krvSetArgEncoding(kEncodings[encoding]) == 0);

  AdrCode code;
  std::memset(&code, 0x5a, sizeof code);
  const int rc = krvAdrStr2Code(text.c_str(), &code);
  if (rc > 0) {
    Check(code.level >= 1 && code.level <= 8);
    if (encoding == 0) Check(rc <= CountCharacters(text.c_str()));
    char name[1024];
    char reading[1024];
    const int back = krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading);
    // A code the walk found always reads back (converted output may not fit).
    Check(back == code.level || (encoding != 0 && back == -6));
    double x = 0;
    double y = 0;
    Check(krvAdrCode2Point(&code, &x, &y) == 0);
  }
  char filtered[1024];
  krvAdrFilter(1, text.c_str(), filtered, sizeof filtered);
  Chimei25kResult places[4];
  krvChimei25kSearch(text.c_str(), places, 4);
  krvSetArgEncoding("Shift_JIS");
  if (encoding == 0) {
    Steps(text.c_str());
    MojiRecord records[4];
    MojiIndexSearch(text.c_str(), records, 4);
  }
  return 0;
}
