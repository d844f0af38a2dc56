#include "folder_settings.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QSaveFile>

namespace krv::wizard {
namespace {

const std::array<FolderInfo, kFolderCount> kFolderTable = {{
    {"KrvDbPath", "w_dbFolder", "cmdDbFolder", "住所DBを格納するフォルダを指定して下さい。"},
    {"ChoDataPath", "w_choFolder", "cmdChoFolder",
     "町大字基本データが格納されているフォルダを指定して下さい。"},
    {"AzaDataPath", "w_azaFolder", "cmdAzaFolder",
     "丁目字基本データが格納されているフォルダを指定して下さい。"},
    {"GaikuDataPath", "w_gaikuFolder", "cmdGaikuFolder",
     "街区符号基本データが格納されているフォルダを指定して下さい。"},
    {"JukyoDataPath", "w_jukyoFolder", "cmdJukyoFolder",
     "住居番号基本データが格納されているフォルダを指定して下さい。"},
}};

struct IniFile {
  QList<QByteArray> lines;  // without their line breaks
  QByteArray lineBreak = "\n";
};

IniFile ReadLines(const QString& iniPath) {
  IniFile ini;
  QFile file(iniPath);
  if (!file.open(QIODevice::ReadOnly)) return ini;
  const QByteArray bytes = file.readAll();
  if (bytes.contains("\r\n")) ini.lineBreak = "\r\n";
  ini.lines = bytes.split('\n');
  if (!ini.lines.isEmpty() && ini.lines.last().isEmpty()) ini.lines.removeLast();
  for (QByteArray& line : ini.lines) {
    if (line.endsWith('\r')) line.chop(1);
  }
  return ini;
}

bool SameName(const QByteArray& a, const QByteArray& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The name inside "[...]" when the line is a section header.
bool SectionHeader(const QByteArray& line, QByteArray* name) {
  const QByteArray t = line.trimmed();
  if (!t.startsWith('[')) return false;
  const qsizetype close = t.indexOf(']');
  if (close < 0) return false;
  *name = t.mid(1, close - 1).trimmed();
  return true;
}

// Splits "key = value"; false for lines without '=' and for comments.
bool KeyLine(const QByteArray& line, QByteArray* key, QByteArray* value) {
  const QByteArray t = line.trimmed();
  if (t.startsWith(';')) return false;
  const qsizetype eq = t.indexOf('=');
  if (eq < 0) return false;
  *key = t.left(eq).trimmed();
  QByteArray v = t.mid(eq + 1).trimmed();
  if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"')) v = v.mid(1, v.size() - 2);
  *value = v;
  return true;
}

// A value that the reader would change (blanks at its ends, or enclosing
// quotes) is written between quotes; line breaks cannot be stored at all.
QByteArray EncodeValue(const QString& value) {
  QByteArray bytes = QFile::encodeName(value);
  bytes.replace('\r', QByteArray()).replace('\n', QByteArray());
  const bool needsQuotes =
      !bytes.isEmpty() && (bytes.trimmed().size() != bytes.size() ||
                           (bytes.size() >= 2 && bytes.startsWith('"') && bytes.endsWith('"')));
  return needsQuotes ? '"' + bytes + '"' : bytes;
}

}  // namespace

const FolderInfo& InfoOf(Folder folder) { return kFolderTable[static_cast<std::size_t>(IndexOf(folder))]; }

QString SettingsFilePath(const QString& programDir) {
  return programDir + QLatin1Char('/') + QLatin1String(kSettingsFileName);
}

QString ReadIniValue(const QString& section, const QString& key, const QString& fallback,
                     const QString& iniPath) {
  const QByteArray wantedSection = section.toUtf8().trimmed();
  const QByteArray wantedKey = key.toUtf8().trimmed();
  bool inSection = false;
  for (const QByteArray& line : ReadLines(iniPath).lines) {
    QByteArray name;
    QByteArray value;
    if (SectionHeader(line, &name)) {
      inSection = SameName(name, wantedSection);
    } else if (inSection && KeyLine(line, &name, &value) && SameName(name, wantedKey)) {
      return QFile::decodeName(value);
    }
  }
  return fallback;
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& iniPath) {
  IniFile ini = ReadLines(iniPath);
  const QByteArray wantedSection = section.toUtf8().trimmed();
  const QByteArray keyBytes = key.toUtf8().trimmed();
  const QByteArray newLine = keyBytes + '=' + EncodeValue(value);

  qsizetype sectionStart = -1;  // index of the header line
  qsizetype insertAt = -1;      // after the last non-blank line of the section
  bool replaced = false;
  bool inSection = false;
  for (qsizetype i = 0; i < ini.lines.size() && !replaced; ++i) {
    const QByteArray& line = ini.lines[i];
    QByteArray name;
    QByteArray old;
    if (SectionHeader(line, &name)) {
      if (inSection) break;
      inSection = SameName(name, wantedSection);
      if (inSection) insertAt = (sectionStart = i) + 1;
    } else if (inSection) {
      if (KeyLine(line, &name, &old) && SameName(name, keyBytes)) {
        ini.lines[i] = newLine;
        replaced = true;
      } else if (!line.trimmed().isEmpty()) {
        insertAt = i + 1;
      }
    }
  }
  if (!replaced) {
    if (sectionStart < 0) {
      ini.lines.append('[' + wantedSection + ']');
      ini.lines.append(newLine);
    } else {
      ini.lines.insert(insertAt, newLine);
    }
  }

  QSaveFile file(iniPath);
  if (!file.open(QIODevice::WriteOnly)) return false;
  for (const QByteArray& line : ini.lines) {
    file.write(line);
    file.write(ini.lineBreak);
  }
  return file.commit();
}

FolderValues LoadFolders(const QString& iniPath) {
  FolderValues values;
  for (Folder folder : kAllFolders) {
    values[static_cast<std::size_t>(IndexOf(folder))] =
        ReadIniValue(QString(), QLatin1String(InfoOf(folder).iniKey), QString(), iniPath);
  }
  return values;
}

bool SaveFolder(Folder folder, const QString& value, const QString& iniPath) {
  return WriteIniValue(QString(), QLatin1String(InfoOf(folder).iniKey), value, iniPath);
}

}  // namespace krv::wizard
