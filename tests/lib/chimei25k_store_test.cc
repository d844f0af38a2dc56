#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "chimei25k_writer.h"
#include "kurovia.h"
#include "layout.h"
#include "test_support.h"

namespace {

using krv::test::Sjis;
using krv::test::TempDir;

Chimei25kRecord Place(const std::string& utf8Name, int32_t attr, int32_t x, int32_t y) {
  Chimei25kRecord record{};
  record.attr1 = attr;
  record.attr2 = attr + 1;
  record.attr3 = attr + 2;
  const std::string name = Sjis(utf8Name);
  std::memcpy(record.name, name.c_str(), name.size() + 1);
  record.pointX = x;
  record.pointY = y;
  return record;
}

class Chimei25kTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Chimei25kRecEnd();
    Chimei25kHashEnd();
  }

  void Write(const std::vector<Chimei25kRecord>& records, uint32_t bucketCount = 0) {
    ASSERT_TRUE(krv::format::SaveChimei25kRecords(rec_.c_str(), records));
    ASSERT_TRUE(krv::format::SaveChimei25kHash(hsh_.c_str(), records, bucketCount));
  }
  void Load(const std::vector<Chimei25kRecord>& records, uint32_t bucketCount = 0) {
    Write(records, bucketCount);
    ASSERT_EQ(Chimei25kRecLoad(rec_.c_str()), static_cast<int>(records.size() + 1));
    ASSERT_EQ(Chimei25kHashLoad(hsh_.c_str()), 0);
  }
  // Record numbers found for a name, with room for 8.
  std::vector<int32_t> Find(const std::string& utf8Name, int* result) {
    int32_t numbers[8] = {};
    *result = Chimei25kHashSearch(Sjis(utf8Name).c_str(), numbers, 8);
    return std::vector<int32_t>(numbers, numbers + (*result > 0 ? *result : 0));
  }

  TempDir dir_;
  std::string rec_ = dir_.File("krv_chimei25k.rec");
  std::string hsh_ = dir_.File("krv_chimei25k.hsh");
};

const std::vector<Chimei25kRecord> kPlaces = {
    Place("富士山", 1, 127269000, 496618000),     // 1
    Place("中町", 2, 126000000, 500000000),       // 2
    Place("東京", 3, 128452000, 503160000),       // 3
    Place("中町", 4, 129000000, 501000000),       // 4
    Place("東京タワー", 5, 128386000, 503070000),  // 5
    Place("東京都", 6, 128421000, 503113000),     // 6
};

TEST_F(Chimei25kTest, FindsEveryRecordOfANameInOrder) {
  Load(kPlaces);
  int result = 0;
  EXPECT_EQ(Find("中町", &result), (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(result, 2);
  EXPECT_EQ(Find("富士山", &result), (std::vector<int32_t>{1}));
  EXPECT_EQ(Find("富士", &result), (std::vector<int32_t>{}));
  EXPECT_EQ(result, 0);

  Chimei25kRecord record{};
  ASSERT_EQ(Chimei25kRecGet(4, &record), 0);
  EXPECT_EQ(record.attr1, 4);
  EXPECT_EQ(record.attr3, 6);
  EXPECT_EQ(std::string(record.name), Sjis("中町"));
  EXPECT_EQ(record.pointX, 129000000);
  EXPECT_EQ(record.pointY, 501000000);
}

TEST_F(Chimei25kTest, NamesThatBeginTheQueryMatchWithinItsChain) {
  // One bucket: every name shares the chain, so prefixes are compared.
  Load(kPlaces, 1);
  int result = 0;
  EXPECT_EQ(Find("東京都庁", &result), (std::vector<int32_t>{3, 6}));
  EXPECT_EQ(Find("東京", &result), (std::vector<int32_t>{3}));
  EXPECT_EQ(Find("東京タワー", &result), (std::vector<int32_t>{3, 5}));
}

TEST_F(Chimei25kTest, FullArrayStopsTheSearch) {
  Load(kPlaces);
  int32_t numbers[3] = {0, 0, -9};
  EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), numbers, 2), -3);
  EXPECT_EQ(numbers[0], 2);
  EXPECT_EQ(numbers[1], 4);
  EXPECT_EQ(numbers[2], -9);
  EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), numbers, 1), -3);
  EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), numbers, 3), 2);
}

TEST_F(Chimei25kTest, EmptyBucketFindsNothing) {
  constexpr uint32_t kBuckets = 1009;
  Load(kPlaces, kBuckets);
  const std::string query = Sjis("存在しない地名");
  const uint32_t bucket = krv::format::Chimei25kHash(query.c_str()) % kBuckets;
  for (const Chimei25kRecord& place : kPlaces) {
    ASSERT_NE(krv::format::Chimei25kHash(place.name) % kBuckets, bucket);
  }
  int32_t number = 0;
  EXPECT_EQ(Chimei25kHashSearch(query.c_str(), &number, 1), 0);
}

TEST_F(Chimei25kTest, ArgumentsAndLoadState) {
  int32_t numbers[2] = {};
  Chimei25kRecord record{};
  EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), numbers, 2), -1);
  EXPECT_EQ(Chimei25kRecGet(1, &record), -1);
  EXPECT_EQ(Chimei25kRecNumRecords(), -1);

  Load(kPlaces);
  EXPECT_EQ(Chimei25kRecNumRecords(), 7);
  EXPECT_EQ(Chimei25kHashSearch("", numbers, 2), -2);
  EXPECT_EQ(Chimei25kHashSearch(nullptr, numbers, 2), -2);
  EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), nullptr, 2), -2);
  EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), numbers, 0), -2);

  EXPECT_EQ(Chimei25kRecGet(7, &record), -3);  // n
  EXPECT_EQ(Chimei25kRecGet(-1, &record), -2);
  EXPECT_EQ(Chimei25kRecGet(6, nullptr), -4);
  ASSERT_EQ(Chimei25kRecGet(0, &record), 0);  // the empty record 0
  EXPECT_EQ(record.name[0], '\0');
  ASSERT_EQ(Chimei25kRecGet(6, &record), 0);
  EXPECT_EQ(std::string(record.name), Sjis("東京都"));

  EXPECT_EQ(Chimei25kRecEnd(), 0);
  EXPECT_EQ(Chimei25kHashEnd(), 0);
  EXPECT_EQ(Chimei25kRecNumRecords(), -1);
  EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), numbers, 2), -1);
}

TEST_F(Chimei25kTest, WritesTheDocumentedBytes) {
  // One place, 山 (0x8E 0x52), in three buckets.  Hash of 山:
  // (0x8E * 3701 + 0x52) = 525624 = 3 * 175208, bucket 0.
  Write({Place("山", 7, 0x01020304, -2)}, 3);
  const std::string expectedRec(
      "25krecd\0"                      // ID
      "\x01\0\0\0"                     // 8: 1
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // 12: unused
      "\x02\0\0\0"                     // 28: two records
      "\0\0\0\0\0\0\0\0\0\0\0\0"       // record 0: attributes
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // name
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
      "\0\0\0\0\0\0\0\0"               // point
      "\x07\0\0\0\x08\0\0\0\x09\0\0\0"  // record 1: attributes
      "\x8E\x52\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
      "\x04\x03\x02\x01\xFE\xFF\xFF\xFF",  // point
      32 + 68 * 2);
  EXPECT_TRUE(krv::test::ReadFile(rec_) == expectedRec);

  const std::string expectedHash(
      "25khash\0"                      // ID
      "\x01\0\0\0"                     // 8: 1
      "\0\0\0\0\0\0\0\0\0\0\0\0"       // 12: unused
      "\x03\0\0\0"                     // 24: three buckets
      "\x02\0\0\0"                     // 28: two entries
      "\x01\0\0\0\0\0\0\0\0\0\0\0"     // heads: entry 1, none, none
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // entry 0
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
      "\0\0\0\0\0\0\0\0"
      "\x8E\x52\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // entry 1
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
      "\x01\0\0\0\0\0\0\0",            // record 1, end of chain
      32 + 12 + 56 * 2);
  EXPECT_TRUE(krv::test::ReadFile(hsh_) == expectedHash);

  ASSERT_EQ(Chimei25kHashLoad(hsh_.c_str()), 0);
  int32_t number = 0;
  EXPECT_EQ(Chimei25kHashSearch(Sjis("山").c_str(), &number, 2), 1);
  EXPECT_EQ(number, 1);
}

TEST_F(Chimei25kTest, DamagedRecordFilesAreRefused) {
  Write(kPlaces);
  const std::string good = krv::test::ReadFile(rec_);
  const auto withCount = [&](int32_t count) {
    std::string bytes = good;
    krv::format::PutI32(bytes.data() + 28, count);
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
    int code;
  };
  const Case cases[] = {
      {"short header", good.substr(0, 31), -4},
      {"wrong ID", std::string("25khash\0", 8) + good.substr(8), -3},
      {"records cut short", good.substr(0, good.size() - 1), -6},
      {"count beyond the file", withCount(8), -6},
      {"negative count", withCount(-7), -6},
  };
  for (const Case& c : cases) {
    krv::test::WriteFile(rec_, good);
    ASSERT_EQ(Chimei25kRecLoad(rec_.c_str()), 7);
    krv::test::WriteFile(rec_, c.bytes);
    EXPECT_EQ(Chimei25kRecLoad(rec_.c_str()), c.code) << c.what;
    EXPECT_EQ(Chimei25kRecNumRecords(), -1) << c.what;
  }
  EXPECT_EQ(Chimei25kRecLoad(dir_.File("none.rec").c_str()), -2);
}

TEST_F(Chimei25kTest, UnterminatedNamesAreRefused) {
  std::vector<Chimei25kRecord> places = {Place("x", 1, 0, 0)};
  std::memset(places[0].name, 'a', sizeof places[0].name);
  Write(places, 1);
  EXPECT_EQ(Chimei25kRecLoad(rec_.c_str()), -6);
  EXPECT_EQ(Chimei25kHashLoad(hsh_.c_str()), 0);  // the writer ends the name

  constexpr std::size_t kEntry1Name = 32 + 4 + 56;
  std::string bytes = krv::test::ReadFile(hsh_);
  bytes.replace(kEntry1Name, 48, std::string(48, 'a'));
  krv::test::WriteFile(hsh_, bytes);
  EXPECT_EQ(Chimei25kHashLoad(hsh_.c_str()), -7);
}

TEST_F(Chimei25kTest, DamagedHashFilesAreRefused) {
  // One bucket: the chain runs 1 -> 2 -> 3.
  const std::vector<Chimei25kRecord> places = {Place("中町", 1, 0, 0), Place("中町", 2, 0, 0),
                                               Place("上町", 3, 0, 0)};
  Write(places, 1);
  const std::string good = krv::test::ReadFile(hsh_);
  constexpr std::size_t kHeads = 32;
  constexpr std::size_t kEntries = kHeads + 4;
  const auto patched = [&](std::size_t offset, uint32_t value) {
    std::string bytes = good;
    krv::format::PutU32(bytes.data() + offset, value);
    return bytes;
  };
  const auto nextOf = [&](std::size_t entry) { return kEntries + 56 * entry + 52; };
  // A second bucket whose chain starts inside the first one's.
  std::string merged = good;
  krv::format::PutU32(merged.data() + 24, 2);
  merged.insert(kHeads + 4, std::string("\x02\0\0\0", 4));
  struct Case {
    const char* what;
    std::string bytes;
    int code;
  };
  const Case cases[] = {
      {"short header", good.substr(0, 30), -4},
      {"wrong ID", std::string("25krecd\0", 8) + good.substr(8), -3},
      {"no buckets", patched(24, 0), -7},
      {"heads cut short", good.substr(0, kHeads + 2), -5},
      {"huge bucket count", patched(24, 0xFFFFFFFF), -5},
      {"entries cut short", good.substr(0, good.size() - 1), -6},
      {"negative entry count", patched(28, 0xFFFFFFFF), -6},
      {"head beyond the entries", patched(kHeads, 4), -7},
      {"link beyond the entries", patched(nextOf(2), 4), -7},
      {"chain loops back", patched(nextOf(3), 1), -7},
      {"entry links to itself", patched(nextOf(3), 3), -7},
      {"two chains merge", merged, -7},
  };
  for (const Case& c : cases) {
    krv::test::WriteFile(hsh_, good);
    ASSERT_EQ(Chimei25kHashLoad(hsh_.c_str()), 0);
    krv::test::WriteFile(hsh_, c.bytes);
    EXPECT_EQ(Chimei25kHashLoad(hsh_.c_str()), c.code) << c.what;
    int32_t number = 0;
    EXPECT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), &number, 1), -1) << c.what;
  }
  EXPECT_EQ(Chimei25kHashLoad(dir_.File("none.hsh").c_str()), -2);

  // Entry 0 is never reached; whatever its link says does not matter.
  krv::test::WriteFile(hsh_, patched(nextOf(0), 2));
  EXPECT_EQ(Chimei25kHashLoad(hsh_.c_str()), 0);
}

}  // namespace
