// The wizard with the real build tools: the committed public samples are
// turned into the tools' source folders by krvprep, the seven steps are
// ticked, 作成 builds the address DB, and the library loads and reads it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "form1.h"
#include "kurovia.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using krv::test::Sjis;
using krv::test::TempDir;
using krv::wizard::Form1;

const char* const kTools[] = {"areabuild", "areahash", "townbuild", "townhash", "sectbuild", "blockbuild", "housebuild"};

TEST(WizardBuild, SevenRealToolsBuildADbTheLibraryLoads) {
  const char* bin = std::getenv("KRV_BIN_DIR");
  const char* source = std::getenv("KRV_SOURCE_DIR");
  ASSERT_NE(bin, nullptr);
  ASSERT_NE(source, nullptr);
  for (const char* tool : kTools) ASSERT_TRUE(fs::exists(fs::path(bin) / tool)) << tool;

  // The program directory: the real tools (linked, so they still find the
  // library beside their real file) and the dialog library.
  TempDir program;
  for (const char* tool : kTools) fs::create_symlink(fs::path(bin) / tool, program.path() / tool);
  fs::create_symlink(fs::path(bin) / "libdlgutil.so", program.path() / "libdlgutil.so");

  TempDir work;
  const fs::path prep = work.path() / "prep";
  const std::string command = "'" + (fs::path(bin) / "krvprep").string() + "' --sources '" +
                              (fs::path(source) / "data" / "sources").string() + "' --out '" + prep.string() +
                              "' > '" + (work.path() / "krvprep.log").string() + "' 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << krv::test::ReadFile((work.path() / "krvprep.log").string());
  const fs::path db = work.path() / "address db";  // a blank in the path, passed as one argument
  fs::create_directory(db);
  for (const char* list : {"krv_gyoseimei.csv", "krv_variation.csv"}) fs::copy_file(prep / "db" / list, db / list);

  Form1 window(QString::fromStdString(program.str()), 600);
  const auto box = [&window](const char* name) { return window.findChild<QLineEdit*>(QLatin1String(name)); };
  box("w_dbFolder")->setText(QString::fromStdString(db.string()));
  box("w_choFolder")->setText(QString::fromStdString((prep / "postal").string()));
  box("w_azaFolder")->setText(QString::fromStdString((prep / "aza").string()));
  box("w_gaikuFolder")->setText(QString::fromStdString((prep / "gaiku").string()));
  box("w_jukyoFolder")->setText(QString::fromStdString((prep / "jukyo").string()));
  for (int i = 0; i < 7; ++i) {
    window.findChild<QCheckBox*>(QString::fromStdString("w_makeItem_" + std::to_string(i)))->setChecked(true);
  }
  QSignalSpy finished(&window, &Form1::RunFinished);
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdMake")), Qt::LeftButton);
  ASSERT_TRUE(finished.count() == 1 || finished.wait(600000)) << "the build did not end";

  const QString output = window.findChild<QPlainTextEdit*>(QStringLiteral("w_message"))->toPlainText();
  EXPECT_FALSE(output.contains(QStringLiteral("コマンド実行エラー"))) << output.toStdString();
  EXPECT_TRUE(output.contains(QStringLiteral("end time"))) << output.toStdString();

  ASSERT_EQ(krvDbLoad(db.string().c_str(), 5), 5) << krvDbErrorText();
  AdrCode code{};
  const std::string address = Sjis("東京都文京区白山一丁目1番4号");
  EXPECT_EQ(krvAdrStr2Code(address.c_str(), &code), 15);
  EXPECT_EQ(code.level, 8);
  EXPECT_EQ(code.gyoseiCode, 13105);
  EXPECT_EQ(code.gaikuCode, 1);
  EXPECT_EQ(code.jukyoCode, 4);
  double lat = 0;
  double lon = 0;
  EXPECT_EQ(krvAdrCode2Point(&code, &lat, &lon), 0);
  EXPECT_NEAR(lat, 35.7152, 0.001);
  EXPECT_NEAR(lon, 139.7522, 0.001);
  krvDbEnd();
}

}  // namespace
