#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "address_db.h"
#include "sjis_text.h"

namespace krv::test {
namespace {

// Every node of the loaded DB, parents before children.
std::vector<AdrCode> EveryCode() {
  std::vector<AdrCode> codes;
  const auto children = [](AdrCode parent, int32_t level) {
    parent.level = level;
    std::vector<int32_t> list(256);
    const int n = krvGetAdrRecordList(&parent, list.data(), static_cast<int>(list.size()));
    // Every parent of a sound DB lists its children, also when it has none.
    EXPECT_GE(n, 0) << Describe(parent);
    list.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return list;
  };
  const auto addBlocks = [&](const AdrCode& parent) {
    for (const int32_t block : children(parent, 7)) {
      AdrCode b = parent;
      b.level = 7;
      b.gaikuCode = block;
      codes.push_back(b);
      for (const int32_t residence : children(b, 8)) {
        AdrCode r = b;
        r.level = 8;
        r.jukyoCode = residence;
        codes.push_back(r);
      }
    }
  };
  for (int32_t area = 1000; area < 48000; ++area) {
    AdrCode code = Code(1, area);
    GyoseiRecord record{};
    if (krvGetAdrRecord(&code, &record, sizeof record) != 0) continue;
    codes.push_back(Code(record.kind, area));
    if (record.kind != 4) continue;
    for (const int32_t town : children(Code(4, area), 5)) {
      const AdrCode t = Code(5, area, town);
      codes.push_back(t);
      addBlocks(t);
      for (const int32_t section : children(t, 6)) {
        const AdrCode s = Code(6, area, town, section);
        codes.push_back(s);
        addBlocks(s);
      }
    }
  }
  return codes;
}

std::string Text(const AdrCode& code) {
  char name[1024];
  char reading[1024];
  EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), code.level) << Describe(code);
  return name;
}

int Chars(const std::string& sjis) { return CountChars(sjis.c_str(), sjis.size()); }

// The codes that cannot read back as themselves, by design, and what their
// texts read back as.  There is one kind: town 1 of an area is the area's own
// record, without a name, so its text is the area's text and reads back as
// the area.
AdrCode ReadsBackAs(const AdrCode& code) {
  if (code.level == 5 && code.choCode == 1) return Code(4, code.gyoseiCode);
  return code;
}

class RoundTripTest : public AddressDbTest {};

// Every address text written from a code of the DB reads back as that code,
// all of it consumed.
TEST_F(RoundTripTest, EveryCodeReadsBackFromItsText) {
  const std::vector<AdrCode> codes = EveryCode();
  ASSERT_GT(codes.size(), 250u);
  int checked = 0;
  for (const AdrCode& code : codes) {
    const std::string text = Text(code);
    const AdrCode expected = ReadsBackAs(code);
    AdrCode back{};
    EXPECT_EQ(krvAdrStr2Code(text.c_str(), &back), Chars(text)) << Utf8(text);
    EXPECT_TRUE(SameCode(back, expected)) << Utf8(text) << ": " << Describe(back) << ", expected "
                                          << Describe(expected);
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(codes.size()));
}

// Numerals written in a random one of their forms read back the same.
TEST_F(RoundTripTest, EveryWayOfWritingTheNumbersReadsBack) {
  std::mt19937 random(20240601);
  const auto pick = [&random](const std::vector<std::string>& forms) {
    return forms[std::uniform_int_distribution<std::size_t>(0, forms.size() - 1)(random)];
  };
  const auto fullWidth = [](int32_t n) {
    char text[64];
    Int2ZenkakuStr(n, text, sizeof text);
    return std::string(text);
  };
  int checked = 0;
  for (const AdrCode& code : EveryCode()) {
    if (code.level < 6) continue;
    // The text down to the town, as written.
    std::string text = Text(Code(5, code.gyoseiCode, code.choCode));
    if (pick({"", "", "大字"}) == "大字") {
      // 大字 before the town name: after the area names.
      std::string area = Text(Code(4, code.gyoseiCode));
      text = area + Sjis("大字") + text.substr(area.size());
    }
    bool numeral = LastCharIsNumeric(text.c_str()) != 0;
    if (code.azaCode != 0) {
      AzaRecord section{};
      const AdrCode s = Code(6, code.gyoseiCode, code.choCode, code.azaCode);
      ASSERT_EQ(krvGetAdrRecord(&s, &section, sizeof section), 0);
      int digits = 0;
      const uint32_t n = NumStr2Int(section.name, &digits);
      if (n == 0) {
        text += section.name;
      } else {
        const std::string number = pick({std::string(section.name, static_cast<std::size_t>(digits)),
                                          std::to_string(n), fullWidth(static_cast<int32_t>(n))});
        text += number + pick({Sjis("丁目"), Sjis("－"), Sjis("の"), "-"});
      }
      numeral = false;
    }
    if (code.level >= 7) {
      if (code.gaikuCode < 0) {
        // A named block: the name as written.
        const std::string full = Text(Code(7, code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode));
        const std::string above = Text(code.azaCode != 0 ? Code(6, code.gyoseiCode, code.choCode, code.azaCode)
                                                         : Code(5, code.gyoseiCode, code.choCode));
        text += full.substr(above.size());
      } else {
        if (numeral) text += pick({Sjis("－"), "-", Sjis("ー")});
        const std::string number = pick({std::to_string(code.gaikuCode), fullWidth(code.gaikuCode)});
        const bool bare = code.level == 7;
        text += number + (bare ? pick({Sjis("番"), Sjis("番地"), ""}) : pick({Sjis("番"), Sjis("番地"), "-", Sjis("の")}));
      }
    }
    if (code.level == 8) {
      if (code.jukyoCode < 0) {
        const std::string full = Text(code);
        const std::string above = Text(Code(7, code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode));
        text += full.substr(above.size());
      } else {
        text += pick({std::to_string(code.jukyoCode), fullWidth(code.jukyoCode)}) + pick({Sjis("号"), ""});
      }
    }
    const int chars = Chars(text);
    const bool building = pick({"", "ビル"}) == "ビル";
    if (building) text += Sjis("ビル");
    AdrCode back{};
    EXPECT_EQ(krvAdrStr2Code(text.c_str(), &back), chars) << Utf8(text);
    EXPECT_TRUE(SameCode(back, code)) << Utf8(text) << ": " << Describe(back) << ", expected " << Describe(code);
    ++checked;
  }
  EXPECT_GT(checked, 200);
}

}  // namespace
}  // namespace krv::test
