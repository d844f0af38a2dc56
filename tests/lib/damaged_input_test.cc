// Inputs that once crashed the library or made it misbehave: damaged DB files
// that still load, and texts and codes of unusual shape.  Each case holds the
// bytes that showed the fault, cut down to what matters.  Run under the
// sanitizer build, they also show that nothing overflows or reads out of
// bounds.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "db_builder.h"
#include "kurovia.h"
#include "test_support.h"

namespace krv::test {
namespace {

class DamagedDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    krvDbEnd();
    db_.Area(13000, 1, "東京都", "ﾄｳｷｮｳﾄ");  // area record 1
    db_.Area(13101, 4, "千代田区", "ﾁﾖﾀﾞｸ").countyCode = 13100;  // record 2
    db_.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
  }
  void TearDown() override { krvDbEnd(); }

  void WriteAndLoad() {
    db_.Write(dir_.str());
    ASSERT_GE(krvDbLoad(dir_.str().c_str(), 0), 0) << krvDbErrorText();
  }
  std::string File(const char* name) const { return dir_.File(name); }

  DbBuilder db_;
  TempDir dir_;
};

// A prefecture number far outside 1..47 in an area record (offset 4): the
// prefecture's code was computed as prefNo * 1000 and overflowed.  The record
// is now taken as invalid.
TEST_F(DamagedDbTest, AreaRecordWithAPrefectureNumberOutOfRange) {
  db_.Write(dir_.str());
  constexpr int32_t kHugePrefNo = 1804992512;
  PatchI32(File("krv_gyosei.rec"), offsets::GyoseiRecordAt(1) + 4, kHugePrefNo);
  PatchI32(File("krv_gyosei.rec"), offsets::GyoseiRecordAt(2) + 4, kHugePrefNo);
  ASSERT_GE(krvDbLoad(dir_.str().c_str(), 0), 0) << krvDbErrorText();

  char name[256] = "x";
  char reading[256] = "x";
  const AdrCode ward{4, 13101, 0, 0, 0, 0};
  EXPECT_EQ(krvAdrCode2Str(&ward, name, sizeof name, reading, sizeof reading), -1);
  EXPECT_STREQ(name, "");
  const AdrCode prefecture{1, 13000, 0, 0, 0, 0};
  EXPECT_EQ(krvAdrCode2Str(&prefecture, name, sizeof name, reading, sizeof reading), -1);

  AdrCode code{};
  EXPECT_EQ(krvAdrStr2Code(Sjis("東京都").c_str(), &code), -4);
  EXPECT_EQ(code.level, 1);
  EXPECT_EQ(code.gyoseiCode, 0);
}

}  // namespace
}  // namespace krv::test
