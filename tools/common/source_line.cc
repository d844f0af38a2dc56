#include "source_line.h"

#include <string>

#include "kurovia.h"
#include "sjis_scan.h"

namespace krv::tool {

bool ResolveSourceLine(Output& out, std::string_view municipality, std::string_view townText,
                       int prefNo, int lineNo, ResolvedLine* result) {
  // Room for every area of a name: a ward name alone (中央区) names wards of
  // more than ten cities, and the one of the file's prefecture may be the
  // last.
  constexpr int kMaxCandidates = 100;
  const std::string muni(municipality);
  const std::string town(townText);
  const Arg muniArg = Arg::Sjis(muni);
  const Arg townArg = Arg::Sjis(town);

  int32_t codes[kMaxCandidates] = {};
  int matched = 0;
  const int found = krvGetGyoseiCode(muni.c_str(), &matched, codes, kMaxCandidates);
  if (found < 1) {
    out.Warn(" Ignored_1 : line num = %d : %s - %s\n", {lineNo, muniArg, townArg});
    return false;
  }
  int32_t areaCode = 0;
  for (int i = 0; i < found && i < kMaxCandidates; ++i) {
    if (codes[i] / 1000 == prefNo) {
      areaCode = codes[i];
      break;
    }
  }
  if (areaCode == 0) {
    out.Warn(" Ignored_2 : line num = %d : %s - %s\n", {lineNo, muniArg, townArg});
    return false;
  }
  GyoseiRecord area{};
  if (GyoseiRecGet(areaCode, &area) != 0) {
    out.Warn(" Ignored_3 : line num = %d : %s - %s\n", {lineNo, muniArg, townArg});
    return false;
  }
  if (area.kind != KRV_LEVEL_MUNICIPALITY) {
    out.Warn(" Ignored_4 : line num = %d : %s - %s\n", {lineNo, muniArg, townArg});
    return false;
  }
  if (area.muniCode != areaCode) {
    out.Warn(" Ignored_5 : line num = %d : %s - %s\n", {lineNo, muniArg, townArg});
    return false;
  }
  int townLength = 0;
  int32_t townNo = 0;
  const int townFound = krvGetChoCode(areaCode, town.c_str(), &townLength, &townNo);
  if (townFound < 0) {
    out.Warn(" Ignored_6 : line num = %d err = %d : %s - %s\n", {lineNo, townFound, muniArg, townArg});
    return false;
  }
  if (townFound == 0) {
    townNo = 1;
    townLength = 0;
  }
  result->areaCode = areaCode;
  result->townNo = townNo;
  result->townLength = townLength;
  return true;
}

bool IsHeadingLine(std::string_view column1) {
  return ContainsText(column1, "\x93\x73\x93\xB9");  // 都道
}

bool ResolveLineSection(Output& out, std::string_view municipality, std::string_view townText, int lineNo,
                        const ResolvedLine& line, int32_t* azaNo) {
  *azaNo = 0;
  const std::size_t townLength = static_cast<std::size_t>(line.townLength);
  if (townLength >= townText.size()) return true;
  const std::string rest(townText.substr(townLength));
  int matched = 0;
  int32_t found = 0;
  const int result = krvGetAzaCode(line.areaCode, line.townNo, rest.c_str(), &matched, &found);
  if (result < 0) {
    out.Warn(" Ignored_7 : line num = %d err = %d : %s - %s\n",
             {lineNo, result, Arg::Sjis(municipality), Arg::Sjis(townText)});
    return false;
  }
  if (result == 1) *azaNo = found;
  return true;
}

}  // namespace krv::tool
