#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kurovia.h"
#include "layout.h"
#include "moji_index_writer.h"
#include "test_support.h"

namespace {

using krv::format::MojiIndexSource;
using krv::test::Sjis;
using krv::test::TempDir;

// Character keys of the double-byte characters of a Shift-JIS text.
std::vector<uint16_t> CharKeys(const std::string& sjis) {
  std::vector<uint16_t> keys;
  for (const char* p = sjis.c_str(); *p != '\0';) {
    if (IsSjisKanji(p)) {
      keys.push_back(krv::format::MojiCharKey(p));
      p += 2;
    } else {
      ++p;
    }
  }
  return keys;
}

// Record i (from 1) of the index is texts[i - 1]; its first value is i * 10.
void WriteIndex(const std::string& path, const std::vector<std::string>& utf8Texts) {
  std::vector<MojiIndexSource> sources;
  for (std::size_t i = 0; i < utf8Texts.size(); ++i) {
    MojiIndexSource source;
    const auto n = static_cast<int32_t>(i + 1);
    source.record = MojiRecord{{n * 10, n * 10 + 1, n * 10 + 2, -n}};
    source.charKeys = CharKeys(Sjis(utf8Texts[i]));
    sources.push_back(source);
  }
  ASSERT_EQ(krv::format::SaveMojiIndex(path.c_str(), sources), krv::format::MojiIndexWriteResult::kOk);
}

// Record numbers of the hits, read back from the first value (n * 10).
std::vector<int32_t> HitNumbers(const MojiRecord* records, int count) {
  std::vector<int32_t> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(records[i].value[0] / 10);
  return numbers;
}

class MojiIndexTest : public ::testing::Test {
 protected:
  void TearDown() override { MojiIndexEnd(); }

  void Load(const std::vector<std::string>& utf8Texts) {
    WriteIndex(path_, utf8Texts);
    ASSERT_GE(MojiIndexLoad(path_.c_str()), 0);
  }
  // Runs a query with room for 16 hits; the hit numbers, or the code alone.
  int Search(const std::string& utf8, std::vector<int32_t>* hits = nullptr) {
    MojiRecord records[16] = {};
    const int result = MojiIndexSearch(Sjis(utf8).c_str(), records, 16);
    if (hits != nullptr) *hits = HitNumbers(records, result > 0 ? result : 0);
    return result;
  }

  TempDir dir_;
  std::string path_ = dir_.File("krv_moji.idx");
};

const std::vector<std::string> kTexts = {
    "東京都千代田区丸の内",  // 1
    "東京都港区芝公園",      // 2
    "京都府京都市中京区",    // 3
    "大阪府大阪市北区",      // 4
    "千代田町",              // 5
};

TEST_F(MojiIndexTest, FindsRecordsHoldingEveryCharacterInAnyOrder) {
  Load(kTexts);
  struct Case {
    const char* query;
    std::vector<int32_t> hits;
  };
  const Case cases[] = {
      {"京", {1, 2, 3}},
      {"東京", {1, 2}},
      {"京東", {1, 2}},
      {"東東", {1, 2}},  // the same kanji twice is the same query as once
      {"東京東京都", {1, 2}},
      {"千代田", {1, 5}},
      {"田千", {1, 5}},
      {"x東-京 ", {1, 2}},  // single-byte characters play no part
      {"ｷｮｳﾄ京都", {1, 2, 3}},
      {"大阪北", {4}},
      {"港", {2}},
      {"北海道", {}},  // 海 is in no record
      {"海", {}},
      {"東大", {}},  // both present, never together
      {"abc", {}},
      {"ｱｲｳ", {}},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> hits;
    EXPECT_EQ(Search(c.query, &hits), static_cast<int>(c.hits.size())) << c.query;
    EXPECT_EQ(hits, c.hits) << c.query;
  }
}

TEST_F(MojiIndexTest, CopiesRecordsUnchanged) {
  Load(kTexts);
  MojiRecord record{};
  ASSERT_EQ(MojiIndexSearch(Sjis("港").c_str(), &record, 1), 1);
  EXPECT_EQ(record.value[0], 20);
  EXPECT_EQ(record.value[1], 21);
  EXPECT_EQ(record.value[2], 22);
  EXPECT_EQ(record.value[3], -2);
}

TEST_F(MojiIndexTest, CountsWithoutAnArray) {
  Load(kTexts);
  EXPECT_EQ(MojiIndexSearch(Sjis("京").c_str(), nullptr, 0), 3);
  EXPECT_EQ(MojiIndexSearch(Sjis("京都").c_str(), nullptr, 0), 3);
}

TEST_F(MojiIndexTest, SmallArrayHoldsTheFirstHitsAndSaysSo) {
  Load(kTexts);
  for (const char* query : {"京", "京都", "都京京"}) {
    MojiRecord records[3] = {};
    records[2].value[0] = 777;
    EXPECT_EQ(MojiIndexSearch(Sjis(query).c_str(), records, 2), -3) << query;
    EXPECT_EQ(HitNumbers(records, 2), (std::vector<int32_t>{1, 2})) << query;
    EXPECT_EQ(records[2].value[0], 777) << query;
  }
  MojiRecord one{};
  EXPECT_EQ(MojiIndexSearch(Sjis("京").c_str(), &one, 0), -3);
  MojiRecord exact[3] = {};
  EXPECT_EQ(MojiIndexSearch(Sjis("京").c_str(), exact, 3), 3);
}

TEST_F(MojiIndexTest, QueryHoldsAtMost29Characters) {
  const std::string thirty = "一二三四五六七八九十百千万円上下左右前後東西南北春夏秋冬山川";
  Load({thirty, "山川"});
  const std::string sjis = Sjis(thirty);
  const std::string first29 = sjis.substr(0, 58);
  EXPECT_EQ(MojiIndexSearch(first29.c_str(), nullptr, 0), 1);
  EXPECT_EQ(MojiIndexSearch(sjis.c_str(), nullptr, 0), -4);
  // Repeats count as characters too; single bytes do not.
  std::string manyRepeats;
  for (int i = 0; i < 29; ++i) manyRepeats += Sjis("山") + "a";
  EXPECT_EQ(MojiIndexSearch(manyRepeats.c_str(), nullptr, 0), 2);
  manyRepeats += Sjis("山");
  EXPECT_EQ(MojiIndexSearch(manyRepeats.c_str(), nullptr, 0), -4);
}

TEST_F(MojiIndexTest, RefusesQueriesBeforeLoadAndEmptyText) {
  EXPECT_EQ(MojiIndexSearch(Sjis("東").c_str(), nullptr, 0), -1);
  Load(kTexts);
  EXPECT_EQ(MojiIndexSearch("", nullptr, 0), -2);
  EXPECT_EQ(MojiIndexSearch(nullptr, nullptr, 0), -2);
  EXPECT_EQ(MojiIndexEnd(), 0);
  EXPECT_EQ(MojiIndexSearch(Sjis("東").c_str(), nullptr, 0), -1);
}

TEST_F(MojiIndexTest, IntersectionMayHoldOneLessThanTheWorkList) {
  // 一 and 二 are in records 1..124,999; 三 is in all 125,000.
  constexpr int kRecords = 125000;
  std::vector<MojiIndexSource> sources(kRecords);
  const auto one = krv::format::MojiCharKey(Sjis("一").c_str());
  const auto two = krv::format::MojiCharKey(Sjis("二").c_str());
  const auto three = krv::format::MojiCharKey(Sjis("三").c_str());
  for (int i = 0; i < kRecords; ++i) {
    sources[static_cast<std::size_t>(i)].record.value[0] = i + 1;
    if (i + 1 < kRecords) sources[static_cast<std::size_t>(i)].charKeys = {one, two};
    sources[static_cast<std::size_t>(i)].charKeys.push_back(three);
  }
  ASSERT_EQ(krv::format::SaveMojiIndex(path_.c_str(), sources),
            krv::format::MojiIndexWriteResult::kOk);
  ASSERT_GE(MojiIndexLoad(path_.c_str()), 0);
  EXPECT_EQ(MojiIndexSearch(Sjis("一二").c_str(), nullptr, 0), kRecords - 1);
  EXPECT_EQ(MojiIndexSearch(Sjis("一三").c_str(), nullptr, 0), kRecords - 1);
  EXPECT_EQ(MojiIndexSearch(Sjis("三").c_str(), nullptr, 0), kRecords);  // no intersection
  EXPECT_EQ(MojiIndexSearch(Sjis("三三").c_str(), nullptr, 0), -7);
  MojiRecord last{};
  EXPECT_EQ(MojiIndexSearch(Sjis("二一三").c_str(), &last, 1), -3);
  EXPECT_EQ(last.value[0], 1);
}

// Offsets of the file, from its documented layout.
constexpr std::size_t kTableOffset = 32;
constexpr std::size_t kPostingOffset = 32 + 65536 * 8;

TEST_F(MojiIndexTest, WritesTheDocumentedBytes) {
  // Two records: 東 (0x93 0x8C) in both, 京 (0x8B 0x9E) in the second.
  std::vector<MojiIndexSource> sources(2);
  sources[0].record = MojiRecord{{1, 2, 3, 4}};
  sources[0].charKeys = CharKeys(Sjis("東"));
  sources[1].record = MojiRecord{{-1, 0, 0, 0x01020304}};
  sources[1].charKeys = CharKeys(Sjis("東京東"));
  ASSERT_EQ(krv::format::SaveMojiIndex(path_.c_str(), sources),
            krv::format::MojiIndexWriteResult::kOk);

  std::string expected(kPostingOffset, '\0');
  expected.replace(0, 32, std::string("mojindx\0"          // ID
                                      "\x01\0\0\0"         // 8: 1
                                      "\0\0\0\0\0\0\0\0"   // 12: unused
                                      "\0\0\0\0"           //
                                      "\x05\0\0\0"         // 24: five posting values
                                      "\x03\0\0\0",        // 28: three records
                                      32));
  // Keys: 東 = 0x93 + 256 * 0x8C = 0x8C93, 京 = 0x8B + 256 * 0x9E = 0x9E8B;
  // 東's list comes first in the posting area.
  expected.replace(kTableOffset + 8 * 0x8C93, 8, std::string("\x03\0\0\0\0\0\0\0", 8));
  expected.replace(kTableOffset + 8 * 0x9E8B, 8, std::string("\x02\0\0\0\x03\0\0\0", 8));
  expected += std::string("\x01\0\0\0\x02\0\0\0\0\0\0\0"  // 東: 1, 2, 0
                          "\x02\0\0\0\0\0\0\0",           // 京: 2, 0
                          20);
  expected += std::string(16, '\0');  // record 0
  expected += std::string("\x01\0\0\0\x02\0\0\0\x03\0\0\0\x04\0\0\0", 16);
  expected += std::string("\xFF\xFF\xFF\xFF\0\0\0\0\0\0\0\0\x04\x03\x02\x01", 16);
  EXPECT_TRUE(krv::test::ReadFile(path_) == expected);

  ASSERT_EQ(MojiIndexLoad(path_.c_str()), 5);
  MojiRecord records[2] = {};
  ASSERT_EQ(MojiIndexSearch(Sjis("京東").c_str(), records, 2), 1);
  EXPECT_EQ(records[0].value[3], 0x01020304);
}

TEST_F(MojiIndexTest, DamagedFilesAreRefused) {
  WriteIndex(path_, kTexts);
  const std::string good = krv::test::ReadFile(path_);
  const int32_t postings = krv::format::GetI32(good.data() + 24);
  const auto patched = [&](std::size_t offset, uint32_t value) {
    std::string bytes = good;
    krv::format::PutU32(bytes.data() + offset, value);
    return bytes;
  };
  const std::size_t tokyo = kTableOffset + 8 * krv::format::MojiCharKey(Sjis("東").c_str());
  struct Case {
    const char* what;
    std::string bytes;
    int code;
  };
  const Case cases[] = {
      {"short header", good.substr(0, 20), -4},
      {"wrong ID", std::string("mojidx\0\0", 8) + good.substr(8), -3},
      {"character table cut short", good.substr(0, kPostingOffset - 4), -5},
      {"posting area cut short", good.substr(0, kPostingOffset + 8), -6},
      {"records cut short", good.substr(0, good.size() - 1), -6},
      {"negative posting count", patched(24, 0xFFFFFFFF), -6},
      {"huge record count", patched(28, 0x7FFFFFFF), -6},
      {"list runs past the posting area", patched(tokyo + 4, static_cast<uint32_t>(postings - 1)),
       -7},
      {"list starts past the posting area", patched(tokyo + 4, 0xFFFFFFF0u), -7},
  };
  for (const Case& c : cases) {
    krv::test::WriteFile(path_, good);
    ASSERT_GE(MojiIndexLoad(path_.c_str()), 0);
    krv::test::WriteFile(path_, c.bytes);
    EXPECT_EQ(MojiIndexLoad(path_.c_str()), c.code) << c.what;
    EXPECT_EQ(MojiIndexSearch(Sjis("東").c_str(), nullptr, 0), -1) << c.what;
  }
  EXPECT_EQ(MojiIndexLoad(dir_.File("missing.idx").c_str()), -2);
}

TEST_F(MojiIndexTest, DamagedListsFailTheSearch) {
  WriteIndex(path_, kTexts);
  const std::string good = krv::test::ReadFile(path_);
  const std::size_t tokyo = kTableOffset + 8 * krv::format::MojiCharKey(Sjis("東").c_str());
  const uint32_t length = krv::format::GetU32(good.data() + tokyo);
  const uint32_t start = krv::format::GetU32(good.data() + tokyo + 4);
  ASSERT_EQ(length, 3u);  // records 1, 2 and the closing 0

  // A list that does not end in 0.
  std::string bytes = good;
  krv::format::PutU32(bytes.data() + kPostingOffset + 4 * (start + 2), 5);
  krv::test::WriteFile(path_, bytes);
  ASSERT_GE(MojiIndexLoad(path_.c_str()), 0);
  EXPECT_EQ(MojiIndexSearch(Sjis("東").c_str(), nullptr, 0), -5);
  EXPECT_EQ(MojiIndexSearch(Sjis("京東").c_str(), nullptr, 0), -5);
  EXPECT_EQ(MojiIndexSearch(Sjis("港").c_str(), nullptr, 0), 1);

  // A hit beyond the records (there are six, 0 to 5), and record 0 as a hit.
  struct Hits {
    uint32_t first;
    uint32_t second;
  };
  for (const Hits hits : {Hits{1, 6}, Hits{0, 0}}) {
    bytes = good;
    krv::format::PutU32(bytes.data() + kPostingOffset + 4 * start, hits.first);
    krv::format::PutU32(bytes.data() + kPostingOffset + 4 * (start + 1), hits.second);
    krv::test::WriteFile(path_, bytes);
    ASSERT_GE(MojiIndexLoad(path_.c_str()), 0);
    MojiRecord records[2] = {};
    EXPECT_EQ(MojiIndexSearch(Sjis("東").c_str(), records, 2), -6) << hits.second;
    EXPECT_EQ(MojiIndexSearch(Sjis("東").c_str(), nullptr, 0), 2) << hits.second;
  }
}

}  // namespace
