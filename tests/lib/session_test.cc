#include "session.h"

#include <gtest/gtest.h>

#include <string>

#include "kurovia.h"

namespace {

// Session state is process-wide: every test starts from a known directory
// and no load result.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(krvDbSetPath("/data/db"), 0);
    krv::SessionSetLastResult(0);
    krv::SessionSetCurrentFile(0);
  }
  void TearDown() override {
    krv::SessionSetLastResult(0);
    for (int id = krv::kFirstDbFileId; id <= krv::kLastDbFileId; ++id) krv::SessionMarkLoaded(id, false);
  }

  static std::string ErrorText() {
    const char* text = krvDbErrorText();
    return text == nullptr ? "(null)" : text;
  }
};

TEST_F(SessionTest, FilePathJoinsDirectoryAndFileName) {
  const char* names[] = {nullptr,
                         "krv_gyosei.rec",
                         "krv_gyosei.hsh",
                         "krv_cho.rec",
                         "krv_cho.hsh",
                         "krv_aza.rec",
                         "krv_gaiku.rec",
                         "krv_jukyo.rec",
                         "krv_magoban.rec",
                         "krv_string.rec",
                         "krv_multipost.rec",
                         "krv_variation.csv",
                         "krv_gyoseimei.csv",
                         "krv_post.idx",
                         "krv_chimei25k.rec",
                         "krv_chimei25k.hsh",
                         "krv_moji.idx"};
  for (int id = 1; id <= 16; ++id) {
    const char* path = krvDbFilePath(id);
    ASSERT_NE(path, nullptr) << id;
    EXPECT_EQ(std::string(path), std::string("/data/db/") + names[id]);
    EXPECT_STREQ(krv::DbFileName(id), names[id]);
  }
  for (int id : {0, 17, -1, 1000}) {
    EXPECT_EQ(krvDbFilePath(id), nullptr) << id;
    EXPECT_EQ(krv::DbFileName(id), nullptr) << id;
  }
}

TEST_F(SessionTest, FilePathReusesOneBuffer) {
  const char* first = krvDbFilePath(1);
  const char* second = krvDbFilePath(12);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(second, "/data/db/krv_gyoseimei.csv");
}

TEST_F(SessionTest, DirectoryHoldsAtMost255Bytes) {
  const std::string longest(255, 'd');
  EXPECT_EQ(krvDbSetPath(longest.c_str()), 0);
  EXPECT_EQ(std::string(krvDbFilePath(12)), longest + "/krv_gyoseimei.csv");

  EXPECT_EQ(krvDbSetPath((longest + "d").c_str()), -1);
  EXPECT_EQ(std::string(krvDbFilePath(12)), longest + "/krv_gyoseimei.csv");  // unchanged
  EXPECT_EQ(krvDbSetPath(nullptr), -1);
  EXPECT_EQ(std::string(krvDbFilePath(12)), longest + "/krv_gyoseimei.csv");

  EXPECT_EQ(krvDbSetPath(""), 0);
  EXPECT_STREQ(krvDbFilePath(3), "/krv_cho.rec");
}

TEST_F(SessionTest, FullPathReportsAShortBuffer) {
  char small[12];
  EXPECT_FALSE(krv::DbFullPath(1, small, sizeof small));
  EXPECT_STREQ(small, "/data/db/kr");  // cut, still terminated
  char enough[64];
  EXPECT_TRUE(krv::DbFullPath(1, enough, sizeof enough));
  EXPECT_STREQ(enough, "/data/db/krv_gyosei.rec");
  EXPECT_FALSE(krv::DbFullPath(17, enough, sizeof enough));
  EXPECT_FALSE(krv::DbFullPath(1, nullptr, 10));
}

TEST_F(SessionTest, NoErrorTextForZeroOrALevel) {
  for (int result : {0, 1, 5, 14, 16}) {
    krv::SessionSetLastResult(result);
    EXPECT_EQ(krvDbErrorText(), nullptr) << result;
  }
}

TEST_F(SessionTest, ErrorTextsOfLoadResults) {
  struct Case {
    int result;
    int currentFile;
    std::string text;
  };
  const Case cases[] = {
      {-1, 0, "DB path exceeds 255 chars."},
      {-2, 0, "Specified level not supported."},
      {-3, 1, "Unknown error."},
      {-9, 1, "Unknown error."},
      {-11, 1, "GyoseiKuiki record file: Memory allocation error./data/db/krv_gyosei.rec"},
      {-12, 1, "GyoseiKuiki record file: File open error./data/db/krv_gyosei.rec"},
      {-13, 1, "GyoseiKuiki record file: File ID string does not match./data/db/krv_gyosei.rec"},
      {-14, 1, "GyoseiKuiki record file: File read error./data/db/krv_gyosei.rec"},
      {-16, 1, "GyoseiKuiki record file: File read error./data/db/krv_gyosei.rec"},
      {-22, 2, "GyoseiKuiki hash table file: File open error./data/db/krv_gyosei.hsh"},
      {-32, 3, "ChoOaza record file: File open error./data/db/krv_cho.rec"},
      {-48, 4, "ChoOaza hash table file: File read error./data/db/krv_cho.hsh"},
      {-52, 5, "Chomoku aza record file: File open error./data/db/krv_aza.rec"},
      {-63, 6, "Gaiku record file: File ID string does not match./data/db/krv_gaiku.rec"},
      {-71, 7, "Jukyo record file: Memory allocation error./data/db/krv_jukyo.rec"},
      {-79, 7, "Jukyo record file: File read error./data/db/krv_jukyo.rec"},
      {-80, 8, "Unknown error."},
      {-132, 13, "Unknown error."},
      {-142, 14, "Unknown error."},
      {-162, 16, "Unknown error."},
  };
  for (const Case& c : cases) {
    krv::SessionSetCurrentFile(c.currentFile);
    krv::SessionSetLastResult(c.result);
    EXPECT_EQ(ErrorText(), c.text) << c.result;
  }
}

// The block and residence stores report failures of the string file as
// store codes -8..-11; the text names the failing store and the string file.
TEST_F(SessionTest, StringFileFailuresNameTheStringFile) {
  struct Case {
    int failedId;
    int storeCode;
    std::string text;
  };
  const Case cases[] = {
      {6, -8, "Gaiku record file: String file header read error./data/db/krv_string.rec"},
      {6, -9, "Gaiku record file: String file ID string does not match./data/db/krv_string.rec"},
      {6, -10, "Gaiku record file: String file memory allocation error./data/db/krv_string.rec"},
      {6, -11, "Gaiku record file: String file read error./data/db/krv_string.rec"},
      {7, -8, "Jukyo record file: String file header read error./data/db/krv_string.rec"},
      {7, -10, "Jukyo record file: String file memory allocation error./data/db/krv_string.rec"},
      {7, -11, "Jukyo record file: String file read error./data/db/krv_string.rec"},
      // Other stores' codes keep the plain wording of their band.
      {4, -8, "ChoOaza hash table file: File read error./data/db/krv_cho.hsh"},
      {6, -6, "Gaiku record file: File read error./data/db/krv_gaiku.rec"},
  };
  for (const Case& c : cases) {
    krv::SessionSetCurrentFile(c.failedId);
    krv::SessionSetLastResult(-10 * c.failedId + c.storeCode, c.failedId, c.storeCode);
    EXPECT_EQ(ErrorText(), c.text) << c.failedId << " " << c.storeCode;
  }
}

TEST_F(SessionTest, ErrorTextReusesOneBuffer) {
  krv::SessionSetLastResult(-1);
  const char* first = krvDbErrorText();
  krv::SessionSetLastResult(-2);
  const char* second = krvDbErrorText();
  EXPECT_EQ(first, second);
  EXPECT_STREQ(second, "Specified level not supported.");
}

TEST_F(SessionTest, StateRemembersMarksResultAndCurrentFile) {
  EXPECT_FALSE(krv::SessionIsLoaded(3));
  krv::SessionMarkLoaded(3, true);
  EXPECT_TRUE(krv::SessionIsLoaded(3));
  EXPECT_FALSE(krv::SessionIsLoaded(4));
  krv::SessionMarkLoaded(3, false);
  EXPECT_FALSE(krv::SessionIsLoaded(3));
  // Ids outside the table are never loaded and cannot be marked.
  krv::SessionMarkLoaded(0, true);
  krv::SessionMarkLoaded(17, true);
  EXPECT_FALSE(krv::SessionIsLoaded(0));
  EXPECT_FALSE(krv::SessionIsLoaded(17));

  krv::SessionSetLastResult(-52, 5, -2);
  EXPECT_EQ(krv::SessionLastResult(), -52);
  krv::SessionSetCurrentFile(13);
  EXPECT_STREQ(krv::SessionCurrentFile(), "/data/db/krv_post.idx");
  krv::SessionSetCurrentFile(99);
  EXPECT_STREQ(krv::SessionCurrentFile(), "");
}

}  // namespace
