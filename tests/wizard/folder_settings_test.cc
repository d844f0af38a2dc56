// dbwizard.ini: profile-file reading and writing.
#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <string>

#include "folder_settings.h"
#include "test_support.h"

namespace {

using krv::test::ReadFile;
using krv::test::TempDir;
using krv::test::WriteFile;
using krv::wizard::Folder;
using krv::wizard::ReadIniValue;
using krv::wizard::WriteIniValue;

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(FolderSettings, MissingFileReadsEmptyAndIsCreatedByTheFirstWrite) {
  TempDir dir;
  const QString ini = krv::wizard::SettingsFilePath(Q(dir.str()));
  EXPECT_EQ(ini, Q(dir.File("dbwizard.ini")));
  for (const QString& value : krv::wizard::LoadFolders(ini)) EXPECT_TRUE(value.isEmpty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("dbwizard.ini")));

  ASSERT_TRUE(krv::wizard::SaveFolder(Folder::kDb, QStringLiteral("/db"), ini));
  EXPECT_EQ(ReadFile(dir.File("dbwizard.ini")), "[]\nKrvDbPath=/db\n");
  ASSERT_TRUE(krv::wizard::SaveFolder(Folder::kJukyo, QStringLiteral("/data/住居"), ini));
  ASSERT_TRUE(krv::wizard::SaveFolder(Folder::kDb, QStringLiteral("/db2"), ini));
  EXPECT_EQ(ReadFile(dir.File("dbwizard.ini")), "[]\nKrvDbPath=/db2\nJukyoDataPath=/data/住居\n");

  const krv::wizard::FolderValues values = krv::wizard::LoadFolders(ini);
  EXPECT_EQ(values[0], QStringLiteral("/db2"));
  EXPECT_EQ(values[4], QStringLiteral("/data/住居"));
  EXPECT_TRUE(values[1].isEmpty());
}

TEST(FolderSettings, WritingKeepsEveryOtherLine) {
  TempDir dir;
  const std::string path = dir.File("dbwizard.ini");
  WriteFile(path,
            "; written by hand\r\n[other]\r\nKrvDbPath=/other\r\n\r\n[]\r\nChoDataPath=/cho\r\n\r\n"
            "[more]\r\nx=1\r\n");
  ASSERT_TRUE(WriteIniValue(QString(), QStringLiteral("KrvDbPath"), QStringLiteral("/db"), Q(path)));
  EXPECT_EQ(ReadFile(path),
            "; written by hand\r\n[other]\r\nKrvDbPath=/other\r\n\r\n[]\r\nChoDataPath=/cho\r\n"
            "KrvDbPath=/db\r\n\r\n[more]\r\nx=1\r\n");
  EXPECT_EQ(ReadIniValue(QString(), QStringLiteral("KrvDbPath"), QString(), Q(path)), QStringLiteral("/db"));
  EXPECT_EQ(ReadIniValue(QStringLiteral("other"), QStringLiteral("KrvDbPath"), QString(), Q(path)),
            QStringLiteral("/other"));
}

TEST(FolderSettings, ReadingFollowsProfileRules) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"[]\nKrvDbPath=/db\n", "/db"},
      {"[ ]\r\n  krvdbpath =  /a b  \r\n", "/a b"},
      {"[]\nKrvDbPath=\"  /q  \"\n", "  /q  "},
      {"[]\nKrvDbPath=/first\nKrvDbPath=/second\n", "/first"},
      {"[]\n;KrvDbPath=/comment\n", "(none)"},
      {"KrvDbPath=/outside\n[]\n", "(none)"},
      {"[x]\nKrvDbPath=/x\n", "(none)"},
      {"[]\nKrvDbPath=\n", ""},
      {"[]\nKrvDbPath=/no/line/break", "/no/line/break"},
      {"", "(none)"},
  };
  TempDir dir;
  const std::string path = dir.File("dbwizard.ini");
  for (const Case& c : cases) {
    WriteFile(path, c.text);
    EXPECT_EQ(ReadIniValue(QString(), QStringLiteral("KrvDbPath"), QStringLiteral("(none)"), Q(path)),
              QString::fromUtf8(c.expected))
        << c.text;
  }
}

TEST(FolderSettings, EveryValueComesBackAsWritten) {
  TempDir dir;
  const QString ini = Q(dir.File("dbwizard.ini"));
  for (const QString& value : {QStringLiteral(" /lead"), QStringLiteral("/trail "), QStringLiteral("\"/quoted\""),
                               QStringLiteral("/data/町 大字"), QStringLiteral("a=b;c"), QString()}) {
    ASSERT_TRUE(WriteIniValue(QString(), QStringLiteral("ChoDataPath"), value, ini));
    EXPECT_EQ(ReadIniValue(QString(), QStringLiteral("ChoDataPath"), QStringLiteral("(none)"), ini), value);
  }
}

TEST(FolderSettings, UnwritableFileIsReported) {
  TempDir dir;
  EXPECT_FALSE(WriteIniValue(QString(), QStringLiteral("KrvDbPath"), QStringLiteral("/db"),
                             Q(dir.File("missing/dbwizard.ini"))));
}

}  // namespace
