// areahash: the area-name hash with the notation variations, read back
// through GyoseiHashLoad and GyoseiHashSearch, and entry by entry with the
// shared file layout where the order of the entries matters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "areahash.h"
#include "db_file.h"
#include "kurovia.h"
#include "tool_fixture.h"

namespace krv::test {
namespace {

using format::GyoseiHashEntry;
using format::GyoseiHashHeader;

struct AreaHashFile {
  GyoseiHashHeader header{};
  std::vector<uint32_t> heads;
  std::vector<GyoseiHashEntry> entries;
  std::vector<std::string> names;  // the entries' names in UTF-8, entry 0 left out
};

AreaHashFile ReadAreaHash(const std::string& path) {
  AreaHashFile file;
  format::DbFileReader reader;
  EXPECT_EQ(reader.Open(path.c_str(), format::kGyoseiHashId, file.header, {-2, -4, -3}), 0);
  file.heads.resize(file.header.hashSize);
  file.entries.resize(file.header.entryCount);
  EXPECT_EQ(reader.Read(file.heads.data(), file.heads.size(), -5), 0);
  EXPECT_EQ(reader.Read(file.entries.data(), file.entries.size(), -6), 0);
  EXPECT_EQ(reader.BytesLeft(), 0u);
  for (std::size_t i = 1; i < file.entries.size(); ++i) file.names.push_back(Utf8(file.entries[i].name));
  return file;
}

class AreahashTest : public ToolTest {
 protected:
  void TearDown() override {
    GyoseiHashEnd();
    ToolTest::TearDown();
  }

  ToolRun Build(const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> args = {Db()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunTool(tool::RunAreahash, args);
  }

  AreaHashFile Read() const { return ReadAreaHash(DbFile("krv_gyosei.hsh")); }
};

TEST_F(AreahashTest, HashSizeFromTheCommandLine) {
  WriteAreaList({AreaLine(1, "都道府県名", 13000, 0, "東京都"), AreaLine(2, "市区町村名", 13101, 0, "千代田区")});
  WriteVariations("");
  struct Case {
    std::vector<std::string> extra;
    uint32_t size;
  };
  for (const Case& c : {Case{{}, 5003}, Case{{"7"}, 7}, Case{{"1"}, 1}}) {
    const ToolRun run = Build(c.extra);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "");  // a successful run is silent
    const AreaHashFile file = Read();
    EXPECT_EQ(file.header.hashSize, c.size);
    EXPECT_EQ(file.header.entryCount, 3u);
  }
  for (const auto& [arg, shown] : {std::pair<std::string, int>{"0", 0}, {"abc", 0}, {"-3", -3}}) {
    const ToolRun run = Build({arg});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, " ハッシュサイズを確認して下さい。： size = " + std::to_string(shown) + "\n");
  }
}

TEST_F(AreahashTest, NamesAreFoundByTheLibrary) {
  WriteAreaList({
      AreaLine(1, "都道府県名", 13000, 0, "東京都"),
      AreaLine(2, "市区町村名", 13101, 0, "千代田区"),
      AreaLine(3, "市区町村名", 13206, 0, "府中市"),
      AreaLine(4, "市区町村名", 34207, 0, "府中市"),
      AreaLine(5, "見出し", 34000, 0, "広島県"),
  });
  WriteVariations("");
  ASSERT_EQ(Build().status, 0);
  ASSERT_EQ(GyoseiHashLoad(DbFile("krv_gyosei.hsh").c_str()), 0);
  int length = 0;
  int kind = 0;
  int32_t codes[4] = {};
  EXPECT_EQ(GyoseiHashSearch(Sjis("東京都千代田区").c_str(), &length, &kind, codes, 4), 1);
  EXPECT_EQ(codes[0], 13000);
  EXPECT_EQ(length, 6);
  EXPECT_EQ(kind, 1);
  ASSERT_EQ(GyoseiHashSearch(Sjis("府中市").c_str(), &length, &kind, codes, 4), 2);
  EXPECT_EQ(codes[0], 13206);  // in list order
  EXPECT_EQ(codes[1], 34207);
  EXPECT_EQ(GyoseiHashSearch(Sjis("広島県").c_str(), &length, &kind, codes, 4), 0);
}

TEST_F(AreahashTest, Variations) {
  struct Case {
    const char* variations;
    const char* name;
    std::vector<std::string> entries;  // in insertion order
  };
  const Case cases[] = {
      {"# comment\n＃ケ,ヶ\n", "竜ケ崎市", {"竜ケ崎市"}},
      {"ケ,ヶ\n", "竜ケ崎市", {"竜ケ崎市", "竜ヶ崎市"}},
      {"ケ,ヶ", "竜ケ崎市", {"竜ケ崎市", "竜ヶ崎市"}},  // a last line without line end
      {"ケ,ヶ\r\n", "竜ケ崎市", {"竜ケ崎市", "竜ヶ崎市"}},
      {"no comma\nケ,ヶ\nケ,が\n", "ケケ",
       {"ケケ", "ヶケ", "ヶヶ", "ヶが", "がケ", "がヶ", "がが", "ケヶ", "ケが"}},
      // The longest text wins where two start at the same place.
      {"ケ,ヶ\nケ崎,ヶさき\n", "竜ケ崎市", {"竜ケ崎市", "竜ヶさき市"}},
      // ャ本 holds the bytes of ヶ across its two characters (0x83 0x83, 0x96
      // 0x7B): no match.
      {"ヶ,ケ\n", "シャ本市", {"シャ本市"}},
  };
  for (const Case& c : cases) {
    WriteAreaList({AreaLine(1, "市区町村名", 8208, 0, c.name)});
    WriteVariations(c.variations);
    const ToolRun run = Build();
    ASSERT_EQ(run.status, 0) << run.out;
    const AreaHashFile file = Read();
    EXPECT_EQ(file.names, c.entries) << c.variations;
    for (std::size_t i = 1; i < file.entries.size(); ++i) {
      EXPECT_EQ(file.entries[i].areaCode, 8208);
      EXPECT_EQ(file.entries[i].kind, 4);
    }
  }
}

TEST_F(AreahashTest, ChainsKeepInsertionOrder) {
  // Every name in one bucket.
  WriteAreaList({AreaLine(1, "市区町村名", 8208, 0, "竜ケ崎市")});
  WriteVariations("ケ,ヶ\n");
  ASSERT_EQ(Build({"1"}).status, 0);
  const AreaHashFile file = Read();
  ASSERT_EQ(file.entries.size(), 3u);
  EXPECT_EQ(file.heads[0], 1u);
  EXPECT_EQ(file.entries[1].next, 2u);
  EXPECT_EQ(file.entries[2].next, 0u);
}

TEST_F(AreahashTest, NameLengthsAreChecked) {
  WriteAreaList({
      AreaLine(1, "市区町村名", 13101, 0, "abc"),
      AreaLine(2, "市区町村名", 13102, 0, "abcdefghijklmnopqrstuvw"),
      AreaLine(3, "市区町村名", 13103, 0, "abcd"),
  });
  WriteVariations("");
  const ToolRun run = Build();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            " 行政名が２文字未満または９文字を超えています。 line = 1  name = abc\n"
            " 行政名が２文字未満または９文字を超えています。 line = 2  name = abcdefghijklmnopqrstuvw\n");
  EXPECT_EQ(Read().names, std::vector<std::string>{"abcd"});
}

TEST_F(AreahashTest, EntryCapacity) {
  WriteVariations("");
  for (const int names : {9998, 9999}) {
    WriteFile(DbFile("krv_gyosei.hsh"), "earlier build");
    std::vector<std::string> lines;
    for (int i = 0; i < names; ++i) lines.push_back(AreaLine(i, "市区町村名", 1001 + i, 0, "n" + std::to_string(10000 + i)));
    WriteAreaList(lines);
    const ToolRun run = Build();
    if (names == 9998) {
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(Read().header.entryCount, 9999u);
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "Error : bucket number exceeds limit. num = 10000\n\n前回のファイルはそのまま残っています。 : " +
                             DbFile("krv_gyosei.hsh") + "\n");
      EXPECT_EQ(ReadFile(DbFile("krv_gyosei.hsh")), "earlier build");
    }
  }
}

TEST_F(AreahashTest, PathologicalVariationListsEndQuickly) {
  // A replacement that holds its own text grows without end; hundreds of
  // alternatives multiply; long replacements make long names to search.
  // Each stops at the expansion bounds of one name with the capacity
  // message.
  std::string many;
  std::string manyLong;
  for (int i = 0; i < 500; ++i) {
    many += "ケ,ヶ\n";
    manyLong += "ケ,ケケケケケケケケケケケケケケ\n";
  }
  for (const std::string& variations : {std::string("ケ,ケケ\n"), many, manyLong}) {
    WriteAreaList({AreaLine(1, "市区町村名", 8208, 0, "竜ケ崎ケ市")});
    WriteVariations(variations);
    const ToolRun run = Build();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("Error : bucket number exceeds limit. num = ", 0), 0u) << run.out;
  }
}

TEST_F(AreahashTest, MissingFiles) {
  const ToolRun usage = RunTool(tool::RunAreahash, {});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, " gyoseihash dbDirName hashSize");

  const ToolRun noVariations = Build();
  EXPECT_EQ(noVariations.status, 1);
  EXPECT_EQ(noVariations.out, "表記バリエーションファイルを開けません。 :  FileName = " + DbFile("krv_variation.csv") + "\n");

  WriteVariations("");
  const ToolRun noList = Build();
  EXPECT_EQ(noList.status, 1);
  EXPECT_EQ(noList.out, "ファイルを開く事ができません。： listFileName = " + DbFile("krv_gyoseimei.csv") + "\n");
}

}  // namespace
}  // namespace krv::test
