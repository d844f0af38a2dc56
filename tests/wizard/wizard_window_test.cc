// The wizard window, driven as a user would: stand-in tools (shell scripts)
// and libdlgutil.so sit in a scratch program directory, and the window is
// pointed at it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QString>
#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "form1.h"
#include "test_support.h"

namespace {

using krv::test::ReadFile;
using krv::test::TempDir;
using krv::test::WriteFile;
using krv::wizard::Form1;

const char* const kTools[] = {"areabuild", "areahash", "townbuild", "townhash", "sectbuild", "blockbuild", "housebuild"};

// Every stand-in logs its name and arguments to calls.log, one call a line
// with the arguments after '|', and prints one line of its own.
const char kLogCall[] =
    "{ printf '%s' \"${0##*/}\"; for a; do printf '|%s' \"$a\"; done; echo; } >> \"${0%/*}/calls.log\"\n";

class WizardWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(KRV_DLGUTIL_FILE, dir_.File("libdlgutil.so"));
    for (const char* tool : kTools) StandIn(tool, std::string("echo \"") + tool + " 完了\"\n");
    unsetenv("KRV_SELECT_FOLDER_ANSWER");
  }

  // Replaces a tool by a script that logs its call and then runs `body`.
  void StandIn(const std::string& tool, const std::string& body) {
    const std::string path = dir_.File(tool);
    WriteFile(path, std::string("#!/bin/sh\n") + kLogCall + body);
    chmod(path.c_str(), 0755);
  }
  void RemoveTool(const std::string& tool) { std::filesystem::remove(dir_.File(tool)); }

  Form1& Window(int timeLimitSeconds = 30) {
    if (!window_) window_ = std::make_unique<Form1>(ProgramDir(), timeLimitSeconds);
    return *window_;
  }
  QString ProgramDir() const { return QString::fromStdString(dir_.str()); }

  template <typename W>
  W& Control(const char* name) {
    W* widget = Window().findChild<W*>(QLatin1String(name));
    if (widget == nullptr) ADD_FAILURE() << "no control " << name;
    return *widget;
  }
  QLineEdit& Box(const char* name) { return Control<QLineEdit>(name); }
  QString Output() { return Control<QPlainTextEdit>("w_message").toPlainText(); }

  void SetFolders(const QString& db, const QString& cho, const QString& aza, const QString& gaiku,
                  const QString& jukyo) {
    Box("w_dbFolder").setText(db);
    Box("w_choFolder").setText(cho);
    Box("w_azaFolder").setText(aza);
    Box("w_gaikuFolder").setText(gaiku);
    Box("w_jukyoFolder").setText(jukyo);
  }
  void Tick(std::initializer_list<int> items) {
    for (int i : items) Control<QCheckBox>(("w_makeItem_" + std::to_string(i)).c_str()).setChecked(true);
  }
  // Clicks 作成 and waits for the run to end.
  void Make() {
    QSignalSpy finished(&Window(), &Form1::RunFinished);
    QTest::mouseClick(&Control<QPushButton>("cmdMake"), Qt::LeftButton);
    ASSERT_TRUE(finished.count() == 1 || finished.wait(60000)) << "the run did not end";
  }

  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    const std::string log = ReadFile(dir_.File("calls.log"));
    std::size_t start = 0;
    for (std::size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
      calls.push_back(log.substr(start, end - start));
    }
    return calls;
  }
  std::string Ini() const { return ReadFile(dir_.File("dbwizard.ini")); }
  QString Tool(const char* name) const { return ProgramDir() + QLatin1Char('/') + QLatin1String(name); }

  TempDir dir_;
  std::unique_ptr<Form1> window_;
};

TEST_F(WizardWindow, ShowsTheControlsOfTheWindow) {
  Form1& w = Window();
  EXPECT_EQ(w.objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Vorlane検索用住所DBの作成"));
  EXPECT_EQ(w.size(), QSize(674, 695));
  const char* captions[] = {"行政区域レコード", "行政区域ハッシュテーブル", "町大字レコード", "町大字ハッシュテーブル",
                            "丁目字レコード", "地番街区符号レコード", "枝番住居番号レコード"};
  for (int i = 0; i < 7; ++i) {
    QCheckBox& item = Control<QCheckBox>(("w_makeItem_" + std::to_string(i)).c_str());
    EXPECT_EQ(item.text(), QString::fromUtf8(captions[i]));
    EXPECT_FALSE(item.isChecked());
    EXPECT_EQ(item.geometry().top(), 384 + 32 * i);
  }
  EXPECT_EQ(Control<QPushButton>("cmdMake").text(), QStringLiteral("作成"));
  EXPECT_EQ(Control<QPushButton>("cmdEnd").text(), QStringLiteral("終了"));
  for (const char* button : {"cmdDbFolder", "cmdChoFolder", "cmdAzaFolder", "cmdGaikuFolder", "cmdJukyoFolder"}) {
    EXPECT_EQ(Control<QPushButton>(button).text(), QStringLiteral("参照"));
  }
  // Frame-relative geometry, 15 twips to the pixel.
  EXPECT_EQ(Box("w_choFolder").geometry(), QRect(200, 38, 265, 25));
  EXPECT_EQ(Box("w_dbFolder").geometry(), QRect(203, 34, 265, 25));
  EXPECT_EQ(Control<QPlainTextEdit>("w_message").geometry(), QRect(211, 463, 409, 217));
}

TEST_F(WizardWindow, EndClosesTheWindow) {
  Form1& w = Window();
  w.show();
  QTest::mouseClick(&Control<QPushButton>("cmdEnd"), Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
}

TEST_F(WizardWindow, NoStepTickedRunsNothing) {
  SetFolders("/db", "/cho", "/aza", "/gaiku", "/jukyo");
  Make();
  EXPECT_FALSE(std::filesystem::exists(dir_.File("calls.log")));
  EXPECT_TRUE(Output().isEmpty());
  EXPECT_TRUE(Box("w_message2").text().isEmpty());
}

TEST_F(WizardWindow, TownRecordsAloneRunTownbuildWithTheDbAndTownFolders) {
  SetFolders("/db", "/data/町 大字", "/aza", "/gaiku", "/jukyo");
  Tick({2});
  Make();
  // A folder with a blank stays one argument.
  EXPECT_EQ(Calls(), std::vector<std::string>{"townbuild|/db|/data/町 大字"});
  EXPECT_EQ(Box("w_message2").text(), Tool("townbuild") + QStringLiteral(" /db /data/町 大字"));
  EXPECT_EQ(Output(), QStringLiteral("townbuild 完了\n"));
}

TEST_F(WizardWindow, AllStepsRunInBuildOrder) {
  SetFolders("/my db", "/cho", "/aza", "/gaiku", "/jukyo");
  Tick({6, 0, 5, 1, 4, 2, 3});
  Make();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"areabuild|/my db", "areahash|/my db", "townbuild|/my db|/cho",
                                               "townhash|/my db", "sectbuild|/my db|/aza",
                                               "blockbuild|/my db|/gaiku", "housebuild|/my db|/jukyo"}));
  EXPECT_EQ(Output(), QStringLiteral("areabuild 完了\nareahash 完了\ntownbuild 完了\ntownhash 完了\n"
                                     "sectbuild 完了\nblockbuild 完了\nhousebuild 完了\n"));
  EXPECT_EQ(Box("w_message2").text(), Tool("housebuild") + QStringLiteral(" /my db /jukyo"));
}

TEST_F(WizardWindow, AFailedStepGivesAnErrorLineAndTheNextStepRuns) {
  struct Case {
    const char* what;
    const char* body;      // of areabuild; empty: no areabuild at all
    const char* expected;  // text after the command line in the error line
  };
  const Case cases[] = {
      {"standard error", "echo partial; echo 'cannot open' >&2\n", "cannot open\n"},
      {"exit status", "exit 3\n", "exit status 3"},
      {"signal", "kill -9 $$\n", "Process crashed"},
      {"missing tool", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window_.reset();
    std::filesystem::remove(dir_.File("calls.log"));
    if (*c.body != '\0') {
      StandIn("areabuild", c.body);
    } else {
      RemoveTool("areabuild");
    }
    Box("w_dbFolder").setText(QStringLiteral("/db"));
    Tick({0, 1});
    Make();
    const QString prefix = QStringLiteral("コマンド実行エラー：　") + Tool("areabuild") + QStringLiteral(" /db ");
    const QString out = Output();
    const qsizetype error = out.indexOf(prefix);
    ASSERT_GE(error, 0) << out.toStdString();
    if (c.expected != nullptr) {
      EXPECT_EQ(out.mid(error + prefix.size()).left(qsizetype(std::strlen(c.expected)) + 1),
                QString::fromUtf8(c.expected) + QLatin1Char('\n'))
          << out.toStdString();
    }
    // The next step runs, after the error line.
    EXPECT_GT(out.indexOf(QStringLiteral("areahash 完了")), error) << out.toStdString();
    EXPECT_EQ(Calls().back(), "areahash|/db");
  }
}

TEST_F(WizardWindow, AStepPastTheTimeLimitIsKilledAndTheNextStepRuns) {
  StandIn("townbuild", "echo started; echo $$ > \"${0%/*}/townbuild.pid\"; exec sleep 60\n");
  Window(2);
  Box("w_dbFolder").setText(QStringLiteral("/db"));
  Box("w_choFolder").setText(QStringLiteral("/cho"));
  Tick({2, 3});
  Make();
  EXPECT_EQ(Output(), QStringLiteral("started\nコマンド実行エラー：　") + Tool("townbuild") +
                          QStringLiteral(" /db /cho timeout\ntownhash 完了\n"));
  ASSERT_TRUE(std::filesystem::exists(dir_.File("townbuild.pid")));
  const pid_t pid = static_cast<pid_t>(std::stol(ReadFile(dir_.File("townbuild.pid"))));
  EXPECT_EQ(kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

TEST_F(WizardWindow, OutputArrivesWhileTheToolRunsAndRunsAccumulate) {
  StandIn("areabuild", "echo first\nwhile [ ! -e \"${0%/*}/go\" ]; do sleep 0.05; done\necho second\n");
  Box("w_dbFolder").setText(QStringLiteral("/db"));
  Tick({0});
  QSignalSpy finished(&Window(), &Form1::RunFinished);
  QTest::mouseClick(&Control<QPushButton>("cmdMake"), Qt::LeftButton);
  // The window keeps processing events: the first line shows before the end.
  QDeadlineTimer deadline(20000);
  while (!Output().contains(QStringLiteral("first")) && !deadline.hasExpired()) QTest::qWait(20);
  EXPECT_EQ(Output(), QStringLiteral("first\n"));
  EXPECT_TRUE(Window().IsRunning());
  // A second click during the run starts nothing.
  EXPECT_FALSE(Control<QPushButton>("cmdMake").isEnabled());
  WriteFile(dir_.File("go"), "");
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_EQ(Output(), QStringLiteral("first\nsecond\n"));

  // A second run appends below the first one's output.
  Make();
  EXPECT_EQ(Output(), QStringLiteral("first\nsecond\nfirst\nsecond\n"));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"areabuild|/db", "areabuild|/db"}));
}

TEST_F(WizardWindow, SettingsAreReadAtStartWithoutRewritingThem) {
  const std::string text = "[]\r\nKrvDbPath=/db\r\nGaikuDataPath=/街区\r\n";
  WriteFile(dir_.File("dbwizard.ini"), text);
  EXPECT_EQ(Box("w_dbFolder").text(), QStringLiteral("/db"));
  EXPECT_EQ(Box("w_gaikuFolder").text(), QStringLiteral("/街区"));
  EXPECT_TRUE(Box("w_choFolder").text().isEmpty());
  EXPECT_EQ(Ini(), text);
}

TEST_F(WizardWindow, TypingInAFolderBoxRewritesTheSettingsOnEveryKeystroke) {
  QLineEdit& box = Box("w_azaFolder");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("dbwizard.ini")));
  QTest::keyClick(&box, Qt::Key_Slash);
  EXPECT_EQ(Ini(), "[]\nAzaDataPath=/\n");
  QTest::keyClick(&box, Qt::Key_A);
  EXPECT_EQ(Ini(), "[]\nAzaDataPath=/a\n");
  QTest::keyClick(&box, Qt::Key_Backspace);
  EXPECT_EQ(Ini(), "[]\nAzaDataPath=/\n");
  QTest::keyClicks(&Box("w_dbFolder"), QStringLiteral("/d"));
  EXPECT_EQ(Ini(), "[]\nAzaDataPath=/\nKrvDbPath=/d\n");
}

TEST_F(WizardWindow, FolderButtonsStoreTheDialogsAnswer) {
  Box("w_choFolder").setText(QStringLiteral("/old"));
  setenv("KRV_SELECT_FOLDER_ANSWER", "/chosen/町大字", 1);
  QTest::mouseClick(&Control<QPushButton>("cmdChoFolder"), Qt::LeftButton);
  EXPECT_EQ(Box("w_choFolder").text(), QStringLiteral("/chosen/町大字"));
  EXPECT_EQ(Ini(), "[]\nChoDataPath=/chosen/町大字\n");

  // Cancel: the box empties and the empty value is stored, also when the box
  // was empty already.
  setenv("KRV_SELECT_FOLDER_ANSWER", "", 1);
  QTest::mouseClick(&Control<QPushButton>("cmdChoFolder"), Qt::LeftButton);
  EXPECT_TRUE(Box("w_choFolder").text().isEmpty());
  EXPECT_EQ(Ini(), "[]\nChoDataPath=\n");
  QTest::mouseClick(&Control<QPushButton>("cmdJukyoFolder"), Qt::LeftButton);
  EXPECT_EQ(Ini(), "[]\nChoDataPath=\nJukyoDataPath=\n");
  unsetenv("KRV_SELECT_FOLDER_ANSWER");
}

TEST_F(WizardWindow, AMissingDialogLibraryIsReported) {
  std::filesystem::remove(dir_.File("libdlgutil.so"));
  Box("w_dbFolder").setText(QStringLiteral("/db"));
  setenv("KRV_SELECT_FOLDER_ANSWER", "/chosen", 1);
  QTest::mouseClick(&Control<QPushButton>("cmdDbFolder"), Qt::LeftButton);
  unsetenv("KRV_SELECT_FOLDER_ANSWER");
  EXPECT_EQ(Box("w_dbFolder").text(), QStringLiteral("/db"));
  EXPECT_TRUE(Output().startsWith(QStringLiteral("フォルダ選択ダイアログを開けません： "))) << Output().toStdString();
}

}  // namespace
