// townhash: the town-name hash, built from town records that townbuild
// wrote, read back through ChoHashLoad and ChoHashSearch, and block by block
// with the shared file layout where sizes and chains matter.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "db_file.h"
#include "kurovia.h"
#include "tool_fixture.h"
#include "townhash.h"

namespace krv::test {
namespace {

using format::ChoHashEntry;
using format::ChoHashHeader;

struct TownHashFile {
  ChoHashHeader header{};
  std::vector<uint32_t> areaTable;
  std::vector<uint32_t> blocks;
  std::vector<ChoHashEntry> entries;

  // The block of `area`: its bucket count G (0 when it has none) and the
  // position of its first bucket head.
  uint32_t BucketCount(int32_t area) const {
    const uint32_t p = areaTable[static_cast<std::size_t>(area)];
    if (p == 0) return 0;
    EXPECT_EQ(blocks[p], static_cast<uint32_t>(area));
    return blocks[p + 1];
  }
  // The names of the chain of `bucket` of `area`, in chain order (UTF-8).
  std::vector<std::string> Chain(int32_t area, uint32_t bucket) const {
    std::vector<std::string> names;
    for (uint32_t e = blocks[areaTable[static_cast<std::size_t>(area)] + 2 + bucket]; e != 0; e = entries[e].next) {
      names.push_back(Utf8(entries[e].name));
    }
    return names;
  }
};

TownHashFile ReadTownHash(const std::string& path) {
  TownHashFile file;
  format::DbFileReader reader;
  EXPECT_EQ(reader.Open(path.c_str(), format::kChoHashId, file.header, {-2, -5, -3}), 0);
  file.areaTable.resize(format::kAreaTableSize);
  file.blocks.resize(file.header.blockAreaBytes / 4);
  file.entries.resize(file.header.entryCount);
  EXPECT_EQ(reader.Read(file.areaTable.data(), file.areaTable.size(), -6), 0);
  EXPECT_EQ(reader.Read(file.blocks.data(), file.blocks.size(), -7), 0);
  EXPECT_EQ(reader.Read(file.entries.data(), file.entries.size(), -8), 0);
  EXPECT_EQ(reader.BytesLeft(), 0u);
  return file;
}

class TownhashTest : public ToolTest {
 protected:
  void TearDown() override {
    ChoHashEnd();
    ToolTest::TearDown();
  }

  // Town records for the standard areas: Chiyoda with the given towns.
  void BuildTowns(const std::vector<std::string>& chiyodaTowns) const {
    BuildStandardAreaDb();
    std::vector<std::string> lines;
    int post = 1000001;
    for (const std::string& town : chiyodaTowns) lines.push_back(PostalLine(13101, std::to_string(post++), "ｱ", town));
    WritePostal("ken_all.csv", lines);
    const ToolRun run = RunTownbuild();
    ASSERT_EQ(run.status, 0) << run.out;
  }

  TownHashFile Read() const { return ReadTownHash(DbFile("krv_cho.hsh")); }

  // ChoHashSearch: {result, match length, town number}.
  static std::tuple<int, int, int32_t> Search(int32_t area, const std::string& utf8) {
    int length = -1;
    int32_t town = -1;
    const int found = ChoHashSearch(area, Sjis(utf8).c_str(), &length, &town);
    return {found, length, town};
  }
};

TEST_F(TownhashTest, BucketCountFromTheTownsAndTheFactor) {
  BuildTowns({"一番町", "二番町", "三番町", "四番町"});  // five records with the own one
  // G = trunc(records * factor), made odd; an area with its own record
  // alone gets 3 buckets at 2.0 and 1 below.
  struct Case {
    std::vector<std::string> factor;
    uint32_t chiyoda;
    uint32_t chuo;
  };
  const Case cases[] = {{{}, 11, 3}, {{"2.0"}, 11, 3}, {{"1.0"}, 5, 1}, {{"1.5"}, 7, 1}, {{"0.1"}, 1, 1}};
  for (const Case& c : cases) {
    const ToolRun run = RunTownhash(c.factor);
    ASSERT_EQ(run.status, 0) << run.out;
    const TownHashFile file = Read();
    EXPECT_EQ(file.BucketCount(13101), c.chiyoda);
    EXPECT_EQ(file.BucketCount(13102), c.chuo);
    EXPECT_EQ(file.BucketCount(13000), 0u);
    EXPECT_EQ(file.header.entryCount, 5u);
  }
}

TEST_F(TownhashTest, FactorsAreChecked) {
  BuildTowns({"一番町"});
  for (const auto& [arg, shown] : {std::pair<std::string, int>{"0", 0}, {"-1.5", -1}, {"abc", 0}}) {
    const ToolRun run = RunTownhash({arg});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, " ハッシュサイズを確認して下さい。： size = " + std::to_string(shown) + "\n");
  }
}

TEST_F(TownhashTest, PrintedLinesAndStatistics) {
  BuildTowns({"一番町", "二番町", "三番町", "四番町"});
  const ToolRun run = RunTownhash({"0.1"});
  ASSERT_EQ(run.status, 0) << run.out;
  // One bucket for Chiyoda: four names in one chain, three collisions, and
  // the longest walk (two steps) there.
  EXPECT_EQ(run.out,
            "city code = 1101  end\n"
            "city code = 13101  end\n"
            "city code = 13102  end\n"
            "city code = 13103  end\n"
            " Number of buckets = 5\n"
            " Number of collisions = 3\n"
            " Mean collision rate = 1.6\n"
            " Maximum number of collisons = 2  at cityCode = 13101\n");
  const TownHashFile file = Read();
  EXPECT_EQ(file.Chain(13101, 0), (std::vector<std::string>{"一番町", "二番町", "三番町", "四番町"}));
}

TEST_F(TownhashTest, TownsAreFoundByTheLibrary) {
  BuildTowns({"丸の内", "丸の内一丁目", "旭", "鶴ケ丘"});
  WriteVariations("ケ,ヶ\n");
  ASSERT_EQ(RunTownhash().status, 0);
  ASSERT_EQ(ChoHashLoad(DbFile("krv_cho.hsh").c_str()), 0);
  EXPECT_EQ(Search(13101, "丸の内一丁目２番"), (std::tuple<int, int, int32_t>{1, 12, 3}));
  EXPECT_EQ(Search(13101, "丸の内２丁目"), (std::tuple<int, int, int32_t>{1, 6, 2}));
  // A one-character name is keyed with 0xFF 0xFF and found by the second try.
  EXPECT_EQ(Search(13101, "旭1-2"), (std::tuple<int, int, int32_t>{1, 2, 4}));
  EXPECT_EQ(Search(13101, "鶴ケ丘3"), (std::tuple<int, int, int32_t>{1, 6, 5}));
  EXPECT_EQ(Search(13101, "鶴ヶ丘3"), (std::tuple<int, int, int32_t>{1, 6, 5}));
  // An area with only its own record has a block without entries; an area
  // without town records has none.
  EXPECT_EQ(std::get<0>(Search(13102, "銀座")), 0);
  EXPECT_EQ(std::get<0>(Search(13000, "銀座")), -4);

  const TownHashFile file = Read();
  const uint32_t g = file.BucketCount(13101);
  const std::string asahi = Sjis("旭");
  const uint32_t bucket = format::ChoHashKey(asahi.c_str(), asahi.size()) % g;
  EXPECT_EQ(format::ChoHashKey(asahi.c_str(), 2), uint32_t{0xFFFF0000} | format::GetU16(asahi.data()));
  const std::vector<std::string> chain = file.Chain(13101, bucket);
  EXPECT_NE(std::find(chain.begin(), chain.end(), "旭"), chain.end());
  EXPECT_EQ(file.BucketCount(13102), 3u);
  EXPECT_EQ(file.Chain(13102, 0).size() + file.Chain(13102, 1).size() + file.Chain(13102, 2).size(), 0u);
}

TEST_F(TownhashTest, VariationsMatchWholeCharactersOnly) {
  // ャ本 holds the bytes of ヶ (0x83 0x96) across its two characters
  // (0x83 0x83, 0x96 0x7B); ケ丘 holds ケ as a character of its own.
  BuildTowns({"シャ本", "ケ丘"});
  WriteVariations("ヶ,ケ\nケ,ヶ\n");
  ASSERT_EQ(RunTownhash().status, 0);
  const TownHashFile file = Read();
  std::vector<std::string> names;
  for (std::size_t i = 1; i < file.entries.size(); ++i) names.push_back(Utf8(file.entries[i].name));
  EXPECT_EQ(names, (std::vector<std::string>{"シャ本", "ケ丘", "ヶ丘"}));
}

TEST_F(TownhashTest, AThirtyByteNameStopsTheBuild) {
  std::string name30;
  for (int i = 0; i < 15; ++i) name30 += "あ";
  BuildTowns({"一番町", name30});
  WriteFile(DbFile("krv_cho.hsh"), "earlier build");
  const ToolRun run = RunTownhash();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "city code = 1101  end\ncity code = 13101Error#5 : name length error. name = " + name30 +
                         "\n    at : MakeHashTable()\n前回のファイルはそのまま残っています。 : " + DbFile("krv_cho.hsh") +
                         "\n");
  EXPECT_EQ(ReadFile(DbFile("krv_cho.hsh")), "earlier build");
}

TEST_F(TownhashTest, MissingFiles) {
  const ToolRun usage = RunTool(tool::RunTownhash, {});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, " townhash dbDirPath hashSizeFactor");

  WriteVariations("");
  const ToolRun noRecords = RunTownhash();
  EXPECT_EQ(noRecords.status, 1);
  EXPECT_EQ(noRecords.out, "ファイルを開く事ができません。： recFileName = " + DbFile("krv_cho.rec") + "\n");

  WriteFile(DbFile("krv_cho.rec"), "not a town file at all, but long enough to hold a header");
  const ToolRun damaged = RunTownhash();
  EXPECT_EQ(damaged.status, 1);
  EXPECT_EQ(damaged.out, "町大字レコードファイルを読み込む事ができません。： recFileName = " + DbFile("krv_cho.rec") +
                             "　: code = -3\n");
}

}  // namespace
}  // namespace krv::test
