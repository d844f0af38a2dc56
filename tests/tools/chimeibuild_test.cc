#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "chimeibuild.h"
#include "kurovia.h"
#include "test_support.h"

namespace {

using krv::test::Sjis;
using krv::test::TempDir;

TEST(ParseDegrees, TruncatesExactMillisecondsTowardZero) {
  struct Case {
    const char* text;
    int32_t limit;
    bool ok;
    int32_t ms;
  };
  const Case cases[] = {
      {"35.6812361", 90, true, 128452449},  // 128,452,449.96
      {"139.7671", 180, true, 503161560},   // exact, no floating-point loss
      {"0.001", 90, true, 3600},
      {"-0.0000005", 90, true, -1},  // -1.8 toward zero
      {"-35.5", 90, true, -127800000},
      {" 90 ", 90, true, 324000000},
      {"+180.0", 180, true, 648000000},
      {".5", 90, true, 1800000},
      {"7.", 90, true, 25200000},
      {"0.0000000000009", 90, true, 0},  // past the twelfth decimal
      {"90.1", 90, false, 0},
      {"180.0000001", 180, false, 0},
      {"1e3", 90, false, 0},
      {"", 90, false, 0},
      {"-", 90, false, 0},
      {".", 90, false, 0},
      {"3 5", 90, false, 0},
      {"35,6", 90, false, 0},
  };
  for (const Case& c : cases) {
    int32_t ms = 0;
    EXPECT_EQ(krv::tools::ParseDegrees(c.text, c.limit, ms), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(ms, c.ms) << c.text;
    }
  }
}

class ChimeiBuildTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Chimei25kRecEnd();
    Chimei25kHashEnd();
  }

  int Run(const std::string& csvBytes) {
    krv::test::WriteFile(csv_, csvBytes);
    output_.str("");
    return krv::tools::RunChimeiBuild(dir_.str(), csv_, output_);
  }

  TempDir dir_;
  std::string csv_ = dir_.File("places.csv");
  std::string records_ = dir_.File("krv_chimei25k.rec");
  std::string hash_ = dir_.File("krv_chimei25k.hsh");
  std::ostringstream output_;
};

TEST_F(ChimeiBuildTest, BuildsRecordsAndHashFromTheLines) {
  ASSERT_EQ(Run(Sjis("富士山,1,2,3,35.360556,138.727500\r\n"
                     "\"中町\",4,5,6,35.5,139.5\r\n"
                     "\n"
                     "中町,7,8,9,-0.5,-0.25\r\n")),
            0)
      << output_.str();
  ASSERT_EQ(Chimei25kRecLoad(records_.c_str()), 4);
  ASSERT_EQ(Chimei25kHashLoad(hash_.c_str()), 0);

  int32_t numbers[4] = {};
  ASSERT_EQ(Chimei25kHashSearch(Sjis("中町").c_str(), numbers, 4), 2);
  EXPECT_EQ(numbers[0], 2);
  EXPECT_EQ(numbers[1], 3);

  Chimei25kRecord record{};
  ASSERT_EQ(Chimei25kRecGet(3, &record), 0);
  EXPECT_EQ(record.attr1, 7);
  EXPECT_EQ(record.attr3, 9);
  EXPECT_EQ(std::string(record.name), Sjis("中町"));
  EXPECT_EQ(record.pointX, -1800000);  // latitude first
  EXPECT_EQ(record.pointY, -900000);
  ASSERT_EQ(Chimei25kRecGet(1, &record), 0);
  EXPECT_EQ(record.pointX, 127298001);  // 35.360556 * 3,600,000 = 127,298,001.6
  EXPECT_EQ(record.pointY, 499419000);
}

TEST_F(ChimeiBuildTest, NamesEveryBadLineAndWritesNothing) {
  const std::string longName(48, 'a');
  const int result = Run(Sjis("富士山,1,2,3,35.3,138.7\n") +  // good
                         ",1,2,3,35,139\n" +                 // no name
                         longName + ",1,2,3,35,139\n" +      // 48 bytes
                         std::string(47, 'b') + ",1,2,3,35,139\n" +  // good
                         "x,1,2,3,95,139\n" +                // latitude
                         "x,1,2,3,35,181\n" +                // longitude
                         "x,1,2,z,35,139\n" +                // attribute
                         "x,1,2,3,35\n");                    // fields
  EXPECT_EQ(result, 1);
  const std::string text = output_.str();
  for (int line = 2; line <= 8; ++line) {
    EXPECT_EQ(text.find("line " + std::to_string(line) + ":") != std::string::npos, line != 4)
        << line << "\n"
        << text;
  }
  EXPECT_EQ(text.find("line 1:"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(records_));
  EXPECT_FALSE(std::filesystem::exists(hash_));
}

TEST_F(ChimeiBuildTest, AHashThatCannotBeWrittenLeavesBothEarlierFiles) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  ASSERT_EQ(Run(Sjis("富士山,1,2,3,35.360556,138.727500\n")), 0) << output_.str();
  const std::string records = krv::test::ReadFile(records_);
  const std::string hash = krv::test::ReadFile(hash_);
  // The hash goes to a full disk: the records, complete by then, must not
  // replace the earlier ones either.
  std::filesystem::create_symlink("/dev/full", hash_ + ".tmp");
  EXPECT_EQ(Run(Sjis("中町,4,5,6,35.5,139.5\n")), 1);
  EXPECT_EQ(output_.str(), "chimeibuild: cannot write " + hash_ + "\nchimeibuild: " + records_ + " and " + hash_ +
                               " left as they were\n");
  EXPECT_EQ(krv::test::ReadFile(records_), records);
  EXPECT_EQ(krv::test::ReadFile(hash_), hash);
  EXPECT_FALSE(std::filesystem::exists(records_ + ".tmp"));
  EXPECT_FALSE(std::filesystem::exists(hash_ + ".tmp"));
}

}  // namespace
