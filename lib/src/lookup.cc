// Lookups outside the address walk: a postal code to its town, and place
// names (地名) with their attributes and points.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "arg_encoding.h"
#include "kurovia.h"

namespace krv {
namespace {

// Most hits a place-name search collects; the 10,000th is an error.
constexpr int kMaxPlaceHits = 10000;
constexpr double kMillisecondsPerDegree = 3600000.0;

// The record numbers of the current search.  Kept for the library's life,
// so a search allocates nothing; two searches must not run at once.
int32_t placeHits[kMaxPlaceHits];

// A result name: 47 bytes and the NUL.
constexpr int kResultNameSize = static_cast<int>(sizeof(Chimei25kResult::name));

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int krvPost2AdrCode(int32_t postalCode, AdrCode* code) {
  int32_t area = 0;
  int32_t town = 0;
  if (PostIndexGet(postalCode, &area, &town) != 0) return -3;
  if (code == nullptr) return -4;
  // The level stays 4 although the town is known.
  *code = AdrCode{};
  code->level = 4;
  code->gyoseiCode = area;
  code->choCode = town;
  return 0;
}

KRV_API int krvChimei25kSearch(const char* name, Chimei25kResult* results, int maxResults) {
  if (name == nullptr || name[0] == '\0') return -2;
  if (results != nullptr && maxResults < 1) return -2;
  char buffer[krv::kTextBufferSize];  // used only for EUC-JP and UTF-8 input
  const char* text = krv::ArgToSjis(name, buffer);
  if (text == nullptr) return -2;

  const int hits = Chimei25kHashSearch(text, krv::placeHits, krv::kMaxPlaceHits);
  if (hits == 0) return 0;
  if (hits == -1) return -3;
  if (hits == -3) return -4;
  if (hits < 0) return -2;  // nothing left to search once converted

  for (int i = 0; i < hits; ++i) {
    Chimei25kRecord record;
    if (Chimei25kRecGet(krv::placeHits[i], &record) != 0) return -5;
    if (results == nullptr) continue;
    if (i == maxResults) return -1;
    Chimei25kResult& item = results[i];
    item.attr1 = record.attr1;
    item.attr2 = record.attr2;
    item.attr3 = record.attr3;
    item.x = record.pointX / krv::kMillisecondsPerDegree;
    item.y = record.pointY / krv::kMillisecondsPerDegree;
    if (krv::SjisToArg(record.name, item.name, krv::kResultNameSize) != 0 &&
        krv::CurrentArgEncoding() != krv::ArgEncoding::kShiftJis) {
      item.name[0] = '\0';
      return -6;
    }
  }
  return hits;
}

}  // extern "C"
