// dlgutil: Julian days, path splitting and the folder chooser.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "dlgutil.h"
#include "test_support.h"

namespace {

using krv::test::Sjis;

struct DateCase {
  int32_t year, month, day;
  double jd;
};

TEST(Date2JulianDay, KnownDates) {
  const DateCase cases[] = {
      {2000, 1, 1, 2451544.5},
      {1999, 12, 31, 2451543.5},
      {1957, 10, 4, 2436115.5},
      {1582, 10, 15, 2299160.5},
      // The Gregorian correction and the 0.75 for years up to 0 apply to
      // every date.
      {-4712, 1, 1, 37.5},
  };
  for (const DateCase& c : cases) {
    EXPECT_EQ(Date2JulianDay(c.year, c.month, c.day), c.jd) << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(Date2JulianDay, JanuaryAndFebruaryCountAsMonthsOfThePreviousYear) {
  // February of 2000 has 29 days, of 1900 28 and of 2004 29: the leap day
  // falls at the end of the counted year.
  EXPECT_EQ(Date2JulianDay(2000, 3, 1) - Date2JulianDay(2000, 2, 28), 2.0);
  EXPECT_EQ(Date2JulianDay(1900, 3, 1) - Date2JulianDay(1900, 2, 28), 1.0);
  EXPECT_EQ(Date2JulianDay(2004, 3, 1) - Date2JulianDay(2004, 2, 28), 2.0);
  EXPECT_EQ(Date2JulianDay(2001, 1, 1) - Date2JulianDay(2000, 12, 31), 1.0);
  EXPECT_EQ(Date2JulianDay(2000, 2, 1) - Date2JulianDay(2000, 1, 31), 1.0);
}

struct DayCase {
  double jd;
  int32_t year, month, day, weekday;
};

TEST(JulianDay2Date, DatesAndWeekdays) {
  const DayCase cases[] = {
      {2451544.5, 2000, 1, 1, 6},
      // Noon of the same day: the weekday follows the integer part.
      {2451545.0, 2000, 1, 1, 0},
      {2299160.5, 1582, 10, 15, 5},
      // Below 2299161 the Julian calendar applies: the day before 15 October
      // 1582 is 4 October.
      {2299159.5, 1582, 10, 4, 4},
      // The reciprocal factors decide this exact boundary: a day that does
      // not exist in the Gregorian calendar.
      {4168243.5, 6700, 2, 29, 4},
      // The remainder keeps the sign of the dividend.
      {-3.5, -4713, 12, 29, -1},
  };
  for (const DayCase& c : cases) {
    int32_t y = 0, m = 0, d = 0;
    EXPECT_EQ(JulianDay2Date(c.jd, &y, &m, &d), c.weekday) << c.jd;
    EXPECT_EQ(y, c.year) << c.jd;
    EXPECT_EQ(m, c.month) << c.jd;
    EXPECT_EQ(d, c.day) << c.jd;
  }
}

TEST(JulianDay2Date, DatesBeforeTheGregorianReformDoNotComeBack) {
  const double jd = Date2JulianDay(1582, 10, 4);
  EXPECT_EQ(jd, 2299149.5);
  int32_t y = 0, m = 0, d = 0;
  JulianDay2Date(jd, &y, &m, &d);
  EXPECT_EQ((std::array<int32_t, 3>{y, m, d}), (std::array<int32_t, 3>{1582, 9, 24}));
}

TEST(JulianDay2Date, EveryGregorianDayComesBackUntil6700) {
  const int daysIn[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  double expected = Date2JulianDay(1583, 1, 1);
  for (int32_t year = 1583; year < 6700; ++year) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    for (int32_t month = 1; month <= 12; ++month) {
      const int days = daysIn[month] + (month == 2 && leap ? 1 : 0);
      for (int32_t day = 1; day <= days; ++day) {
        const double jd = Date2JulianDay(year, month, day);
        ASSERT_EQ(jd, expected) << year << "-" << month << "-" << day;
        int32_t y = 0, m = 0, d = 0;
        JulianDay2Date(jd, &y, &m, &d);
        ASSERT_TRUE(y == year && m == month && d == day) << year << "-" << month << "-" << day;
        expected += 1.0;
      }
    }
  }
}

TEST(JulianDay2Date, UnusableDaysAndNullOutputs) {
  for (double jd : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300}) {
    int32_t y = 1, m = 1, d = 1;
    EXPECT_EQ(JulianDay2Date(jd, &y, &m, &d), -7) << jd;
    EXPECT_EQ(y + m + d, 0) << jd;
  }
  EXPECT_EQ(JulianDay2Date(2451544.5, nullptr, nullptr, nullptr), 6);
}

struct SplitCase {
  std::string path, drive, dir, name, ext;
};

TEST(SplitPath, Parts) {
  const std::string hyo = Sjis("表");  // second byte 0x5C, a backslash
  ASSERT_EQ(hyo, "\x95\x5C");
  const SplitCase cases[] = {
      {"C:\\dir\\file.txt", "C:", "\\dir\\", "file", ".txt"},
      {"file", "", "", "file", ""},
      {"C:file.txt", "C:", "", "file", ".txt"},
      {"/usr/lib/libdlgutil.so", "", "/usr/lib/", "libdlgutil", ".so"},
      {"a\\b/c", "", "a\\b/", "c", ""},
      {"dir.d\\file", "", "dir.d\\", "file", ""},
      {"archive.tar.gz", "", "", "archive.tar", ".gz"},
      {".profile", "", "", "", ".profile"},
      {"C:\\", "C:", "\\", "", ""},
      {"", "", "", "", ""},
      {"C:\\" + hyo + "\\file.txt", "C:", "\\" + hyo + "\\", "file", ".txt"},
      {"C:\\dir\\" + hyo, "C:", "\\dir\\", hyo, ""},
      {"C:\\" + hyo + "a.b\\" + hyo + ".txt", "C:", "\\" + hyo + "a.b\\", hyo, ".txt"},
  };
  for (const SplitCase& c : cases) {
    char drive[3], dir[256], name[256], ext[256];
    SplitPath(c.path.c_str(), drive, dir, name, ext);
    EXPECT_EQ(drive, c.drive) << c.path;
    EXPECT_EQ(dir, c.dir) << c.path;
    EXPECT_EQ(name, c.name) << c.path;
    EXPECT_EQ(ext, c.ext) << c.path;
  }
}

TEST(SplitPath, NullArgumentsAreSkipped) {
  char dir[256] = "x", name[256] = "x";
  SplitPath("C:\\dir\\file.txt", nullptr, dir, nullptr, nullptr);
  EXPECT_STREQ(dir, "\\dir\\");
  SplitPath(nullptr, nullptr, dir, name, nullptr);
  EXPECT_STREQ(dir, "");
  EXPECT_STREQ(name, "");
  SplitPath("file.txt", nullptr, nullptr, nullptr, nullptr);
}

TEST(SplitPath, LongPartsAreCutOnACharacterBoundary) {
  char dir[256], name[256], ext[256];
  const std::string longName(300, 'a');
  SplitPath(("d\\" + longName + ".txt").c_str(), nullptr, dir, name, ext);
  EXPECT_EQ(std::string(name), std::string(255, 'a'));
  EXPECT_STREQ(ext, ".txt");

  std::string wide;
  for (int i = 0; i < 200; ++i) wide += Sjis("表");
  SplitPath(("d\\" + wide).c_str(), nullptr, dir, name, ext);
  EXPECT_EQ(std::string(name), wide.substr(0, 254));
  EXPECT_STREQ(dir, "d\\");
}

// Unsets the test hook for the folder dialog, and restores it afterwards.
class NoAnswerHook {
 public:
  NoAnswerHook() {
    if (const char* v = std::getenv("KRV_SELECT_FOLDER_ANSWER")) {
      saved_ = v;
      had_ = true;
    }
    unsetenv("KRV_SELECT_FOLDER_ANSWER");
  }
  ~NoAnswerHook() {
    if (had_) setenv("KRV_SELECT_FOLDER_ANSWER", saved_.c_str(), 1);
  }

 private:
  std::string saved_;
  bool had_ = false;
};

// Waits for the modal folder dialog and hands it to `act` once it shows.
class DialogDriver {
 public:
  template <typename Act>
  explicit DialogDriver(Act act) {
    QObject::connect(&poll_, &QTimer::timeout, [this, act] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        poll_.stop();
        act(dialog);
      }
    });
    poll_.start(10);
  }

 private:
  QTimer poll_;
};

TEST(SelectFolder, TheDialogOpensOnTheInitialFolderAndReturnsTheChoice) {
  NoAnswerHook noHook;
  krv::test::TempDir start;
  krv::test::TempDir chosen;
  QString shownTitle, shownDirectory;
  DialogDriver driver([&](QFileDialog* dialog) {
    shownTitle = dialog->windowTitle();
    shownDirectory = dialog->directory().absolutePath();
    dialog->setDirectory(QString::fromStdString(chosen.str()));
    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept is protected
  });
  std::array<char, 1024> result;
  result.fill('#');
  SelectFolder(nullptr, Sjis("住所DBを格納するフォルダ").c_str(), start.str().c_str(), result.data(),
               static_cast<int32_t>(result.size()));
  EXPECT_EQ(shownTitle, QStringLiteral("住所DBを格納するフォルダ"));
  EXPECT_EQ(shownDirectory, QString::fromStdString(start.str()));
  EXPECT_EQ(std::string(result.data()), chosen.str());
  for (std::size_t i = chosen.str().size(); i < result.size(); ++i) ASSERT_EQ(result[i], '\0') << i;
}

TEST(SelectFolder, CancelGivesTheEmptyString) {
  NoAnswerHook noHook;
  DialogDriver driver([](QFileDialog* dialog) { dialog->reject(); });
  char result[260] = "previous";
  SelectFolder(nullptr, "", "", result, sizeof result);
  EXPECT_STREQ(result, "");
}

TEST(SelectFolder, TestHookAnswersWithoutADialog) {
  setenv("KRV_SELECT_FOLDER_ANSWER", "/srv/krv db", 1);
  char result[260] = "";
  SelectFolder(nullptr, "title", "/tmp", result, sizeof result);
  EXPECT_STREQ(result, "/srv/krv db");
  // A path that does not fit is no answer rather than another folder.
  char small[8] = "x";
  SelectFolder(nullptr, "title", "/tmp", small, sizeof small);
  EXPECT_STREQ(small, "");
  setenv("KRV_SELECT_FOLDER_ANSWER", "", 1);
  std::strcpy(result, "previous");
  SelectFolder(nullptr, "title", "/tmp", result, sizeof result);
  EXPECT_STREQ(result, "");
  unsetenv("KRV_SELECT_FOLDER_ANSWER");
  SelectFolder(nullptr, "title", "/tmp", nullptr, 260);
}

}  // namespace
