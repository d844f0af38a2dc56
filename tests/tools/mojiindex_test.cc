#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "kurovia.h"
#include "mojiindex.h"
#include "test_support.h"

namespace {

using krv::test::Sjis;
using krv::test::TempDir;

class MojiIndexToolTest : public ::testing::Test {
 protected:
  void TearDown() override { MojiIndexEnd(); }

  int Run(const std::string& csvBytes) {
    krv::test::WriteFile(csv_, csvBytes);
    output_.str("");
    return krv::tools::RunMojiIndex(dir_.str(), csv_, output_);
  }

  TempDir dir_;
  std::string csv_ = dir_.File("records.csv");
  std::string index_ = dir_.File("krv_moji.idx");
  std::ostringstream output_;
};

TEST_F(MojiIndexToolTest, BuildsASearchableIndexFromTheLines) {
  ASSERT_EQ(Run(Sjis("東京都千代田区,1,2,3,4\r\n"
                     "\"京都市中京区\",5,6,7,8\r\n"
                     "\r\n"
                     "大阪市 北区,-9, +10 ,11,2147483647\n"
                     "ABC,0,0,0,0")),
            0)
      << output_.str();
  EXPECT_NE(output_.str().find("4 record(s) written to " + index_), std::string::npos)
      << output_.str();

  ASSERT_GE(MojiIndexLoad(index_.c_str()), 0);
  MojiRecord records[4] = {};
  ASSERT_EQ(MojiIndexSearch(Sjis("京").c_str(), records, 4), 2);
  EXPECT_EQ(records[0].value[0], 1);
  EXPECT_EQ(records[1].value[0], 5);
  EXPECT_EQ(records[1].value[3], 8);
  ASSERT_EQ(MojiIndexSearch(Sjis("区北").c_str(), records, 4), 1);
  EXPECT_EQ(records[0].value[0], -9);
  EXPECT_EQ(records[0].value[1], 10);
  EXPECT_EQ(records[0].value[3], 2147483647);
}

TEST_F(MojiIndexToolTest, NamesEveryBadLineAndWritesNothing) {
  const int result = Run(Sjis("東京,1,2,3,4\n"
                              "京都,1,2,3\n"
                              "大阪,1,2,3,x\n"
                              "神戸,1,2,3,4\n"
                              "奈良,1,2,3,2147483648\n"));
  EXPECT_EQ(result, 1);
  const std::string text = output_.str();
  EXPECT_NE(text.find("line 2:"), std::string::npos) << text;
  EXPECT_NE(text.find("line 3:"), std::string::npos) << text;
  EXPECT_NE(text.find("line 5:"), std::string::npos) << text;
  EXPECT_EQ(text.find("line 1:"), std::string::npos) << text;
  EXPECT_EQ(text.find("line 4:"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(index_));
}

TEST_F(MojiIndexToolTest, MissingCsvIsReported) {
  std::ostringstream out;
  EXPECT_EQ(krv::tools::RunMojiIndex(dir_.str(), dir_.File("none.csv"), out), 1);
  EXPECT_NE(out.str().find("cannot open"), std::string::npos);
}

}  // namespace
