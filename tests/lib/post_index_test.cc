#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db_file.h"
#include "kurovia.h"
#include "layout.h"
#include "test_support.h"

namespace {

using krv::format::PostIndexEntry;
using krv::format::PostIndexHeader;
using krv::test::TempDir;

// Writes a postal index with `entries` (already sorted) and the given ID.
void WritePostIndex(const std::string& path, const std::vector<PostIndexEntry>& entries,
                    const char* id = krv::format::kPostIndexId) {
  PostIndexHeader header{};
  krv::format::PutId(header.id, id);
  header.version = krv::format::kFormatVersion;
  header.entryCount = static_cast<int32_t>(entries.size());
  krv::format::DbFileWriter writer;
  ASSERT_TRUE(writer.Create(path.c_str()));
  ASSERT_TRUE(writer.Write(header));
  ASSERT_TRUE(writer.Write(entries.data(), entries.size()));
  ASSERT_TRUE(writer.Commit());
}

class PostIndexTest : public ::testing::Test {
 protected:
  void TearDown() override { PostIndexEnd(); }
  TempDir dir_;
  std::string path_ = dir_.File("krv_post.idx");
};

TEST_F(PostIndexTest, FindsStoredCodesByBinarySearch) {
  // 0600001 (Sapporo) is stored and looked up without its leading zero.
  WritePostIndex(path_, {{600001, 1101, 2},
                         {1000001, 13101, 5},
                         {1000005, 13101, 7},
                         {5300001, 27127, 3},
                         {9071801, 47382, 9}});
  ASSERT_EQ(PostIndexLoad(path_.c_str()), 5);
  EXPECT_EQ(PostIndexNumRecords(), 5);

  struct Case {
    int32_t code;
    int result;
    int32_t area;
    int32_t town;
  };
  const Case cases[] = {
      {600001, 0, 1101, 2},    // smallest, leading zero gone
      {9071801, 0, 47382, 9},  // largest
      {1000005, 0, 13101, 7},  {5300001, 0, 27127, 3},
      {1000002, -2, 0, 0},     // between two stored codes
      {600000, -2, 0, 0},      // below the smallest
      {9999999, -2, 0, 0},     // above the largest
      {0, -2, 0, 0},           {-600001, -2, 0, 0},
  };
  for (const Case& c : cases) {
    int32_t area = 0;
    int32_t town = 0;
    EXPECT_EQ(PostIndexGet(c.code, &area, &town), c.result) << c.code;
    EXPECT_EQ(area, c.area) << c.code;
    EXPECT_EQ(town, c.town) << c.code;
  }
}

TEST_F(PostIndexTest, NullOutputCountsOnlyForAFoundCode) {
  WritePostIndex(path_, {{1000001, 13101, 5}, {1000005, 13101, 7}});
  ASSERT_EQ(PostIndexLoad(path_.c_str()), 2);
  int32_t value = 0;
  EXPECT_EQ(PostIndexGet(1000001, nullptr, &value), -3);
  EXPECT_EQ(PostIndexGet(1000005, &value, nullptr), -3);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(PostIndexGet(1000003, nullptr, nullptr), -2);
}

TEST_F(PostIndexTest, AnswersMinusOneUnlessLoaded) {
  int32_t area = 0;
  int32_t town = 0;
  EXPECT_EQ(PostIndexNumRecords(), -1);
  EXPECT_EQ(PostIndexGet(1000001, &area, &town), -1);

  WritePostIndex(path_, {{1000001, 13101, 5}});
  ASSERT_EQ(PostIndexLoad(path_.c_str()), 1);
  EXPECT_EQ(PostIndexGet(1000001, &area, &town), 0);
  EXPECT_EQ(PostIndexEnd(), 0);
  EXPECT_EQ(PostIndexNumRecords(), -1);
  EXPECT_EQ(PostIndexGet(1000001, &area, &town), -1);
  EXPECT_EQ(PostIndexEnd(), 0);
}

TEST_F(PostIndexTest, EmptyIndexLoadsAndFindsNothing) {
  WritePostIndex(path_, {});
  ASSERT_EQ(PostIndexLoad(path_.c_str()), 0);
  EXPECT_EQ(PostIndexNumRecords(), 0);
  int32_t area = 0;
  int32_t town = 0;
  for (const int32_t code : {0, 1, 600001, 1000001, 9999999}) {
    EXPECT_EQ(PostIndexGet(code, &area, &town), -2) << code;
  }
}

// The file bytes written out from the documented layout, not by a writer.
TEST_F(PostIndexTest, ReadsTheDocumentedBytes) {
  const std::string bytes(
      "postidx\0"          // 0: ID with its NUL
      "\x01\0\0\0"         // 8: 1
      "\0\0\0\0\0\0\0\0"   // 12: reserved
      "\0\0\0\0\0\0\0\0"   //
      "\x02\0\0\0"         // 28: two entries
      "\xC1\x27\x09\0"     // 32: 600001
      "\x4D\x04\0\0"       //     area 1101
      "\x02\0\0\0"         //     town 2
      "\xF9\x6B\x8A\0"     // 44: 9071609
      "\xFE\xB8\0\0"       //     area 47358
      "\x0A\x01\0\0",      //     town 266
      56);
  krv::test::WriteFile(path_, bytes);
  ASSERT_EQ(PostIndexLoad(path_.c_str()), 2);
  int32_t area = 0;
  int32_t town = 0;
  ASSERT_EQ(PostIndexGet(600001, &area, &town), 0);
  EXPECT_EQ(area, 1101);
  EXPECT_EQ(town, 2);
  ASSERT_EQ(PostIndexGet(9071609, &area, &town), 0);
  EXPECT_EQ(area, 47358);
  EXPECT_EQ(town, 266);
}

TEST_F(PostIndexTest, DamagedFilesAreRefusedAndLeaveNothingLoaded) {
  std::string good;
  {
    WritePostIndex(path_, {{1000001, 13101, 5}, {1000005, 13101, 7}});
    good = krv::test::ReadFile(path_);
  }
  auto withCount = [&](int32_t count) {
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
      {"empty file", std::string(), -4},
      {"wrong ID", std::string("postidy") + good.substr(7), -3},
      {"ID without NUL", std::string("postidxx") + good.substr(8), -3},
      {"entries cut short", good.substr(0, good.size() - 1), -6},
      {"count beyond the file", withCount(3), -6},
      {"huge count", withCount(0x7FFFFFFF), -6},
      {"negative count", withCount(-1), -6},
  };
  for (const Case& c : cases) {
    krv::test::WriteFile(path_, good);
    ASSERT_EQ(PostIndexLoad(path_.c_str()), 2);
    krv::test::WriteFile(path_, c.bytes);
    EXPECT_EQ(PostIndexLoad(path_.c_str()), c.code) << c.what;
    EXPECT_EQ(PostIndexNumRecords(), -1) << c.what;
  }
  EXPECT_EQ(PostIndexLoad(dir_.File("missing.idx").c_str()), -2);
  EXPECT_EQ(PostIndexLoad(nullptr), -2);
  EXPECT_EQ(PostIndexNumRecords(), -1);
}

}  // namespace
