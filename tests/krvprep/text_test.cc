#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <sstream>

#include "area_list.h"
#include "report.h"
#include "section_list.h"
#include "text.h"
#include "variation.h"

namespace krv::prep {
namespace {

TEST(KrvprepText, ChomeInAnyFormBecomesKanji) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"1丁目", "一丁目"},
      {"１丁目", "一丁目"},
      {"一丁目", "一丁目"},
      {"丸の内１丁目", "丸の内一丁目"},
      {"10丁目", "十丁目"},
      {"１１丁目", "十一丁目"},
      {"２０丁目", "二十丁目"},
      {"23丁目", "二十三丁目"},
      {"北1条西２丁目", "北1条西二丁目"},   // only the number before 丁目
      {"3丁目1番", "三丁目1番"},
      {"六丁目", "六丁目"},
      {"丁目", "丁目"},
      {"0丁目", "0丁目"},
      {"本町", "本町"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeChome(c.in), c.out) << c.in;
}

TEST(KrvprepText, KanjiNumbers) {
  const struct {
    int value;
    const char* text;
  } cases[] = {{1, "一"}, {9, "九"}, {10, "十"}, {11, "十一"}, {20, "二十"}, {99, "九十九"},
               {100, "百"}, {105, "百五"}, {1200, "千二百"}, {2024, "二千二十四"}};
  for (const auto& c : cases) EXPECT_EQ(KanjiNumber(c.value), c.text) << c.value;
}

TEST(KrvprepText, SplitsTheChomeOffATownLevelName) {
  const struct {
    const char* name;
    const char* town;
    const char* chome;
  } cases[] = {
      {"霞が関二丁目", "霞が関", "二丁目"},
      {"十条仲原一丁目", "十条仲原", "一丁目"},
      {"日本橋人形町二十一丁目", "日本橋人形町", "二十一丁目"},
      {"六丁目", "六丁目", ""},  // a town whose name is a chome
      {"北の丸公園", "北の丸公園", ""},
      {"青海二丁目地先", "青海二丁目地先", ""},
  };
  for (const auto& c : cases) {
    const auto [town, chome] = SplitChome(c.name);
    EXPECT_EQ(town, c.town) << c.name;
    EXPECT_EQ(chome, c.chome) << c.name;
  }
}

TEST(KrvprepText, KanaForms) {
  EXPECT_EQ(KatakanaToHiragana("トウキョウト"), "とうきょうと");
  EXPECT_EQ(KatakanaToHiragana("ヴィラ・ヶ"), "う゛ぃら・け");  // ゔ is not in Shift-JIS
  EXPECT_EQ(HalfwidthKanaToFullwidth("ﾛ"), "ロ");
  EXPECT_EQ(HalfwidthKanaToFullwidth("ｶﾞｯｺｳﾊﾟﾝ"), "ガッコウパン");
  EXPECT_EQ(FullwidthDigitsToAscii("１２３乙"), "123乙");
}

TEST(KrvprepText, ShiftJisEncoderReplacesTheRegistrysNewerForms) {
  SjisEncoder encoder;
  std::string sjis;
  std::string bad;
  ASSERT_TRUE(encoder.Encode("簞笥町字屛風谷", &sjis, &bad));
  std::string back;
  ASSERT_TRUE(SjisToUtf8(sjis, &back));
  EXPECT_EQ(back, "箪笥町字屏風谷");
  EXPECT_EQ(encoder.replacements().at("簞->箪"), 1);
  EXPECT_FALSE(encoder.Encode("𩸽町", &sjis, &bad));
  EXPECT_EQ(bad, "𩸽");
}

// areabuild reads a packed angle this way: truncation toward zero at every
// integer step, in double precision.
long long AreabuildMilliseconds(const std::string& packed) {
  const double v = std::strtod(packed.c_str(), nullptr);
  const double degrees = std::trunc(v * 0.0001);
  const double rest = v - degrees * 10000;
  const double minutes = std::trunc(rest * 0.01);
  const double seconds = rest - minutes * 100;
  return static_cast<long long>(std::trunc((seconds * (1.0 / 3600) + minutes * (1.0 / 60) + degrees) * 3600000));
}

TEST(KrvprepDms, PackedAnglesLandOnTheNearestMillisecond) {
  EXPECT_EQ(PackDms(139.758333333), "1394530.0005");  // 139°45′30″
  EXPECT_EQ(PackDms(35.5), "353000.0005");
  EXPECT_EQ(PackDms(-12.25), "-121500.0005");

  std::vector<double> points = {0.0, 24.0, 35.681236, 139.767125, 45.999999999, 153.98, 20.4253,
                                122.9336, 43.0639406375, 141.347906782, 59.9999999 / 60};
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> lat(20.0, 46.0);
  std::uniform_real_distribution<double> lon(122.0, 154.0);
  for (int i = 0; i < 200000; ++i) points.push_back(i % 2 == 0 ? lat(random) : lon(random));
  for (int ms = 0; ms < 2000; ++ms) points.push_back(35.0 + (59 * 60000 + 59000 + ms) / 3600000.0);
  for (const double degrees : points) {
    const std::string packed = PackDms(degrees);
    const long long got = AreabuildMilliseconds(packed);
    const double exact = degrees * 3600000.0;
    ASSERT_LE(std::fabs(static_cast<double>(got) - exact), 0.5 + 1e-6) << degrees << " -> " << packed;
    ASSERT_EQ(got, std::llround(exact)) << degrees << " -> " << packed;
  }
}

TEST(KrvprepVariation, BuiltInListIsUsableAndFoldsSpellings) {
  std::ostringstream out, err;
  Report report(out, err);
  VariationList list;
  list.Load(VariationMasterText(), "data/krv_variation.csv", report);
  EXPECT_EQ(err.str(), "");
  EXPECT_GT(list.pairCount(), 40);
  EXPECT_LE(list.lineCount(), 500);
  EXPECT_EQ(list.Fold("千駄ケ谷"), list.Fold("千駄ヶ谷"));
  EXPECT_EQ(list.Fold("桜が丘"), list.Fold("桜ヶ丘"));
  EXPECT_EQ(list.Fold("竹の\uFA10"), list.Fold("竹の塚"));
  EXPECT_EQ(list.Fold("虎ノ門"), list.Fold("虎の門"));
  EXPECT_NE(list.Fold("丸の内"), list.Fold("丸の外"));
  // The written file: Shift-JIS, one line per master line, pairs first side
  // to second side.
  std::string back;
  ASSERT_TRUE(SjisToUtf8(list.FileText(), &back));
  EXPECT_NE(back.find("\nケ,ヶ\nヶ,ケ\n"), std::string::npos);
  EXPECT_NE(back.find("\n\uFA10,塚\n"), std::string::npos);
}

TEST(KrvprepVariation, PairsTheHashBuildersCannotUseAreReported) {
  std::ostringstream out, err;
  Report report(out, err);
  VariationList list;
  list.Load("# 説明\nケ,ヶ\nケ,ケケ\n,ヶ\nケ,ヶ\n一二三四五六七八九十一二三四五,x\nノ,の", "v.csv", report);
  EXPECT_EQ(list.pairCount(), 2);
  EXPECT_EQ(err.str(),
            "krvprep: v.csv:3: second side contains the first (the expansion would not end): ケ,ケケ\n"
            "krvprep: v.csv:4: empty side: ,ヶ\n"
            "krvprep: v.csv:5: pair given twice: ケ,ヶ\n"
            "krvprep: v.csv:6: side longer than 29 bytes: 一二三四五六七八九十一二三四五,x\n");
  std::string back;
  ASSERT_TRUE(SjisToUtf8(list.FileText(), &back));
  EXPECT_EQ(back, "# 説明\nケ,ヶ\nノ,の\n");
}

}  // namespace
}  // namespace krv::prep
