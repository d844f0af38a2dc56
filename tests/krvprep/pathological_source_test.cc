// krvprep on source files far from any real one: a CSV line of ten
// megabytes and a postal-list parenthesis that never closes.  Each must
// simply be read through, with its rows reported or skipped.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "csv_source.h"
#include "krvprep_test_util.h"
#include "postal_list.h"
#include "report.h"
#include "test_support.h"

namespace krv::test {
namespace {

using prep::CsvTable;
using prep::PostalTowns;
using prep::ReadPostalTowns;
using prep::Report;

constexpr std::size_t kTenMegabytes = 10 << 20;

std::string KenLine(const std::string& town) {
  return "13101,\"100  \",\"1000005\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ﾁｮｳ\",\"東京都\",\"千代田区\",\"" + town +
         "\",0,0,0,0,0,0";
}

TEST(KrvprepPathologicalSource, ACsvLineOfTenMegabytes) {
  TempDir dir;
  const auto path = dir.path() / "mt_town_pref13.csv";
  const std::string huge(kTenMegabytes, 'x');
  for (const bool xz : {false, true}) {
    WriteSource(xz ? dir.path() / "big.csv.xz" : path,
                {"lg_code,machiaza_id,oaza_cho", "131016,0001001,\"" + huge + "\"", "131016,0001002," + huge + ",,"},
                false, xz);
    CsvTable table;
    ASSERT_TRUE(table.Open(xz ? dir.path() / "big.csv.xz" : path));
    std::vector<std::string> fields;
    ASSERT_TRUE(table.Next(&fields));
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[2].size(), kTenMegabytes);
    ASSERT_TRUE(table.Next(&fields));
    EXPECT_EQ(fields.size(), 5u);
    EXPECT_FALSE(table.Next(&fields));
    EXPECT_TRUE(table.error().empty()) << table.error();
  }
}

TEST(KrvprepPathologicalSource, APostalListParenthesisThatNeverCloses) {
  TempDir dir;
  std::vector<std::string> lines = {KenLine("丸の内"), KenLine("大手町（次のビルを除く")};
  for (int i = 0; i < 100000; ++i) lines.push_back(KenLine("１丁目、２丁目"));
  const auto path = dir.path() / "KEN_ALL.CSV";
  WriteSource(path, lines, true);
  std::ostringstream out;
  std::ostringstream err;
  Report report(out, err);
  PostalTowns towns;
  ASSERT_TRUE(ReadPostalTowns(path, report, &towns));
  // Every line after the open parenthesis continues it.
  EXPECT_EQ(towns.towns[13101], (std::vector<std::string>{"丸の内", "大手町"}));
  EXPECT_FALSE(report.failed());

  // A name of ten megabytes inside the parenthesis.
  WriteSource(path, {KenLine("丸の内（" + std::string(kTenMegabytes, 'x'))}, true);
  PostalTowns more;
  ASSERT_TRUE(ReadPostalTowns(path, report, &more));
  EXPECT_EQ(more.towns[13101], (std::vector<std::string>{"丸の内"}));
}

}  // namespace
}  // namespace krv::test
