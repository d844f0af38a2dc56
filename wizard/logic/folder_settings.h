// The five folders of the wizard and the settings file that keeps them:
// dbwizard.ini beside the executable, in profile-file form (key=value lines
// under a section header in square brackets).  All five keys live in the
// section whose name is empty, so its header line is "[]".
#ifndef KUROVIA_WIZARD_LOGIC_FOLDER_SETTINGS_H
#define KUROVIA_WIZARD_LOGIC_FOLDER_SETTINGS_H

#include <QString>

#include <array>

namespace krv::wizard {

enum class Folder { kDb, kCho, kAza, kGaiku, kJukyo };
constexpr int kFolderCount = 5;

struct FolderInfo {
  const char* iniKey;      // key in dbwizard.ini
  const char* boxName;     // object name of its text box
  const char* buttonName;  // object name of its folder button
  const char* prompt;      // title of its folder dialog (UTF-8)
};

// Folders in the order the settings are read at start: DB, town (町大字),
// section (丁目字), block (街区符号), residence (住居番号).
const FolderInfo& InfoOf(Folder folder);
constexpr std::array<Folder, kFolderCount> kAllFolders = {Folder::kDb, Folder::kCho, Folder::kAza,
                                                          Folder::kGaiku, Folder::kJukyo};
inline int IndexOf(Folder folder) { return static_cast<int>(folder); }

using FolderValues = std::array<QString, kFolderCount>;

constexpr const char* kSettingsFileName = "dbwizard.ini";
QString SettingsFilePath(const QString& programDir);

// Profile-file access.  Section and key names compare without regard to
// ASCII case; blanks around keys and values are not part of them, and a
// value written between double quotes is read without them.  A missing file,
// section or key reads as `fallback`.  Values are file-system paths and are
// kept as the file system's bytes.
QString ReadIniValue(const QString& section, const QString& key, const QString& fallback,
                     const QString& iniPath);
// Sets one key, creating the file and the section as needed and keeping every
// other line as it was.  The file is replaced whole, never left half
// written.  False when it cannot be written.
bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& iniPath);

// The five folders as stored; empty for what is missing.
FolderValues LoadFolders(const QString& iniPath);
bool SaveFolder(Folder folder, const QString& value, const QString& iniPath);

}  // namespace krv::wizard

#endif  // KUROVIA_WIZARD_LOGIC_FOLDER_SETTINGS_H
