#include "form1.h"

#include <QFont>
#include <QRect>
#include <QScrollBar>
#include <QStringList>
#include <QTextCursor>

namespace krv::wizard {
namespace {

// The window was laid out in twips; a pixel is 15 twips.
constexpr int kTwipsPerPixel = 15;

struct Twips {
  int left, top, width, height;
};

QRect ToPixels(const Twips& t) {
  auto px = [](int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; };
  return QRect(px(t.left), px(t.top), px(t.width), px(t.height));
}

constexpr Twips kClientArea = {0, 0, 10110, 10425};
constexpr Twips kFrame1 = {600, 330, 8685, 3330};
constexpr Twips kFrame2 = {600, 3930, 8655, 1290};
constexpr Twips kCmdMake = {3795, 5595, 2415, 495};
constexpr Twips kCmdEnd = {8685, 5760, 615, 375};
constexpr Twips kMessage2 = {3165, 6360, 6135, 375};
constexpr Twips kMessage = {3165, 6945, 6135, 3255};

// Label, text box and button of each folder, inside its frame (the DB folder
// in Frame2, the four source folders in Frame1).
struct FolderControls {
  const char* labelName;
  const char* labelText;
  Twips label, box, button;
};
constexpr std::array<FolderControls, kFolderCount> kFolderControls = {{
    {"Label1", "住所DB格納フォルダ", {1140, 570, 1605, 180}, {3045, 510, 3975, 375}, {7440, 495, 615, 375}},
    {"Label2", "町大字基本データ格納フォルダ", {420, 667, 2400, 180}, {3000, 570, 3975, 375}, {7425, 570, 615, 375}},
    {"Label5", "丁目字基本データ格納フォルダ", {420, 1392, 2400, 180}, {3000, 1295, 3975, 375}, {7425, 1253, 615, 375}},
    {"Label3", "街区符号基本データ格納フォルダ", {240, 2117, 2580, 180}, {3000, 2020, 3975, 375}, {7425, 1999, 615, 375}},
    {"Label4", "住居番号基本データ格納フォルダ", {240, 2842, 2580, 180}, {3000, 2745, 3975, 375}, {7425, 2745, 615, 375}},
}};

Twips MakeItemGeometry(int index) {
  static constexpr std::array<int, kStepCount> kWidths = {1695, 2415, 1695, 2295, 1695, 2055, 2055};
  return {index == 6 ? 540 : 555, 5760 + 480 * index, kWidths[static_cast<std::size_t>(index)], 375};
}

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("Noto Sans CJK JP")});
  font.setPixelSize(12);  // 9 points at 96 dots per inch
  return font;
}

}  // namespace

Form1::Form1(const QString& programDir, int timeLimitSeconds, QWidget* parent)
    : QWidget(parent),
      programDir_(programDir),
      iniPath_(SettingsFilePath(programDir)),
      timeLimitSeconds_(timeLimitSeconds),
      chooser_(programDir) {
  BuildControls();

  for (Folder folder : kAllFolders) {
    connect(&BoxOf(folder), &QLineEdit::textChanged, this, [this, folder] { OnFolderEdited(folder); });
    connect(&folderButtons_[static_cast<std::size_t>(IndexOf(folder))], &QPushButton::clicked, this,
            [this, folder] { OnFolderButton(folder); });
  }
  connect(&cmdMake_, &QPushButton::clicked, this, &Form1::OnMake);
  connect(&cmdEnd_, &QPushButton::clicked, this, &QWidget::close);
  connect(&runner_, &StepRunner::StepStarted, this, [this](const QString& commandLine) {
    message2_.setText(commandLine);
    raise();
    activateWindow();
  });
  connect(&runner_, &StepRunner::Output, this, &Form1::AppendMessage);
  connect(&runner_, &StepRunner::StepEnded, this, [this] {
    raise();
    activateWindow();
  });
  connect(&runner_, &StepRunner::Finished, this, &Form1::OnRunFinished);

  LoadSettings();
}

void Form1::BuildControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Vorlane検索用住所DBの作成"));
  setFont(WindowFont());
  setFixedSize(ToPixels(kClientArea).size());

  frame1_.setParent(this);
  frame1_.setObjectName(QStringLiteral("Frame1"));
  frame1_.setTitle(QStringLiteral("住所DBの作成に使用する住所基本データ"));
  frame1_.setGeometry(ToPixels(kFrame1));
  frame2_.setParent(this);
  frame2_.setObjectName(QStringLiteral("Frame2"));
  frame2_.setTitle(QStringLiteral("作成した住所DBを保存するフォルダ"));
  frame2_.setGeometry(ToPixels(kFrame2));

  for (Folder folder : kAllFolders) {
    const auto i = static_cast<std::size_t>(IndexOf(folder));
    const FolderControls& c = kFolderControls[i];
    QWidget* frame = folder == Folder::kDb ? &frame2_ : &frame1_;
    QLabel& label = folderLabels_[i];
    label.setParent(frame);
    label.setObjectName(QLatin1String(c.labelName));
    label.setText(QString::fromUtf8(c.labelText));
    label.setGeometry(ToPixels(c.label));
    QLineEdit& box = folderBoxes_[i];
    box.setParent(frame);
    box.setObjectName(QLatin1String(InfoOf(folder).boxName));
    box.setGeometry(ToPixels(c.box));
    QPushButton& button = folderButtons_[i];
    button.setParent(frame);
    button.setObjectName(QLatin1String(InfoOf(folder).buttonName));
    button.setText(QStringLiteral("参照"));
    button.setGeometry(ToPixels(c.button));
  }

  for (int i = 0; i < kStepCount; ++i) {
    QCheckBox& item = makeItems_[static_cast<std::size_t>(i)];
    item.setParent(this);
    item.setObjectName(QStringLiteral("w_makeItem_%1").arg(i));
    item.setText(QString::fromUtf8(StepInfo(i).caption));
    item.setGeometry(ToPixels(MakeItemGeometry(i)));
  }

  cmdMake_.setParent(this);
  cmdMake_.setObjectName(QStringLiteral("cmdMake"));
  cmdMake_.setText(QStringLiteral("作成"));
  cmdMake_.setGeometry(ToPixels(kCmdMake));
  cmdEnd_.setParent(this);
  cmdEnd_.setObjectName(QStringLiteral("cmdEnd"));
  cmdEnd_.setText(QStringLiteral("終了"));
  cmdEnd_.setGeometry(ToPixels(kCmdEnd));

  message2_.setParent(this);
  message2_.setObjectName(QStringLiteral("w_message2"));
  message2_.setGeometry(ToPixels(kMessage2));
  message2_.setReadOnly(true);
  message_.setParent(this);
  message_.setObjectName(QStringLiteral("w_message"));
  message_.setGeometry(ToPixels(kMessage));
  message_.setReadOnly(true);
}

void Form1::LoadSettings() {
  const FolderValues values = LoadFolders(iniPath_);
  // The values come from the file: nothing to write back.
  loading_ = true;
  for (Folder folder : kAllFolders) BoxOf(folder).setText(values[static_cast<std::size_t>(IndexOf(folder))]);
  loading_ = false;
}

void Form1::OnFolderEdited(Folder folder) {
  if (!loading_) StoreFolder(folder, BoxOf(folder).text());
}

void Form1::OnFolderButton(Folder folder) {
  QString error;
  const std::optional<QString> chosen =
      chooser_.Choose(QString::fromUtf8(InfoOf(folder).prompt), BoxOf(folder).text(), &error);
  if (!chosen) {
    AppendMessage(QStringLiteral("フォルダ選択ダイアログを開けません： ") + error + QLatin1Char('\n'));
    return;
  }
  // A cancelled dialog gives the empty string, which empties the setting.
  BoxOf(folder).setText(*chosen);
  StoreFolder(folder, *chosen);
}

void Form1::StoreFolder(Folder folder, const QString& value) {
  const bool ok = SaveFolder(folder, value, iniPath_);
  if (!ok && !iniWriteFailed_) AppendMessage(QStringLiteral("設定を保存できません： ") + iniPath_ + QLatin1Char('\n'));
  iniWriteFailed_ = !ok;
}

void Form1::OnMake() {
  std::array<bool, kStepCount> ticked{};
  for (int i = 0; i < kStepCount; ++i) ticked[static_cast<std::size_t>(i)] = makeItems_[static_cast<std::size_t>(i)].isChecked();
  FolderValues folders;
  for (Folder folder : kAllFolders) folders[static_cast<std::size_t>(IndexOf(folder))] = BoxOf(folder).text();
  // One run at a time: two tools must never write the same DB at once.
  if (!runner_.Start(MakeRunCommands(ticked, programDir_, folders), timeLimitSeconds_)) return;
  cmdMake_.setEnabled(false);
}

void Form1::OnRunFinished() {
  cmdMake_.setEnabled(true);
  emit RunFinished();
}

void Form1::AppendMessage(const QString& text) {
  QString plain = text;
  plain.remove(QLatin1Char('\r'));
  message_.moveCursor(QTextCursor::End);
  message_.insertPlainText(plain);
  message_.verticalScrollBar()->setValue(message_.verticalScrollBar()->maximum());
}

}  // namespace krv::wizard
