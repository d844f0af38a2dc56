// The town names krvprep takes from the postal list must be the names
// townbuild stores, or the section and block lines it writes for them find no
// town.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "krvprep_test_util.h"
#include "postal_list.h"
#include "report.h"
#include "test_support.h"

namespace krv::test {
namespace {

std::string KenLine(const std::string& kana, const std::string& town) {
  return "1204,\"078  \",\"0788271\",\"ﾎｯｶｲﾄﾞｳ\",\"ｱｻﾋｶﾜｼ\",\"" + kana + "\",\"北海道\",\"旭川市\",\"" + town +
         "\",0,0,0,0,0,0";
}

TEST(KrvprepPostalTowns, OnlyNamesThatSay地割AreCutAsTownbuildCutsThem) {
  TempDir dir;
  const auto path = dir.path() / "KEN_ALL.CSV";
  WriteSource(path,
              {KenLine("ｺｳｷﾞｮｳﾀﾞﾝﾁ1ｼﾞｮｳ", "工業団地１条"), KenLine("ｺｳｷﾞｮｳﾀﾞﾝﾁ2ｼﾞｮｳ", "工業団地２条"),
               KenLine("ｳｴﾉﾉ39ﾁﾜﾘ", "上野々３９地割"), KenLine("ｳｶｲﾀﾞｲ1ﾁﾜﾘ", "鵜飼第１地割"),
               KenLine("ﾃﾗｺ(70-180ﾊﾞﾝﾁ)", "寺子（７０～１８０番地）"), KenLine("ﾜﾘﾔﾏ", "割山")},
              true);
  std::ostringstream out;
  std::ostringstream err;
  prep::Report report(out, err);
  prep::PostalTowns towns;
  ASSERT_TRUE(prep::ReadPostalTowns(path, report, &towns));
  EXPECT_EQ(towns.towns[1204],
            (std::vector<std::string>{"工業団地１条", "工業団地２条", "上野々", "鵜飼", "寺子", "割山"}));
}

}  // namespace
}  // namespace krv::test
