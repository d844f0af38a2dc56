#include "sectbuild.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "db_file.h"
#include "fields.h"
#include "frame.h"
#include "kurovia.h"
#include "line_reader.h"
#include "link_reset.h"
#include "sjis_scan.h"
#include "source_line.h"
#include "staged_files.h"

namespace krv::tool {
namespace {

using format::AzaRecHeader;
using format::AzaTableEntry;
using format::DbFileWriter;

constexpr std::size_t kTableCapacity = format::kAzaTableCapacity;
// The run's records; the record that reaches this count stops its file.
constexpr int kRecordLimit = 900000;
constexpr std::size_t kLineBytes = 255;
constexpr std::size_t kFieldCount = 11;
constexpr std::size_t kFieldBytes = 1023;
constexpr std::size_t kMaxNameBytes = sizeof(AzaRecord::name) - 1;
constexpr int32_t kMaxSectionNo = 0xFFFF;

enum Column { kPrefecture = 0, kMunicipality = 1, kTownText = 2, kLatitude = 7, kLongitude = 8 };

constexpr std::string_view kAza = "\x8E\x9A";  // 字

const FrameConstants kSectbuildFrame = {
    " sectbuild krvDbDir sourceDir noUpdate\n",
    2,  // krvDbLoad level: areas and towns
    "住所DBをメモリにロードできません。 %s",
    true,
    " ディレクトリ名は255文字以内にして下さい。",
    47,
    "指定したディレクトリには処理できるファイルがありません。",
    "csv",
    "txt",
    nullptr,
    "元データのファイル名の拡張子は.csvか.txtのどちらかでなければなりません。",
    "---- end   : file name = %s ---- \n",
    true,
};

// The point of a line from columns 8 and 9 (latitude, longitude); false
// when the line has none.
bool LinePoint(const std::string_view* f, int32_t* x, int32_t* y) {
  if (!HoldsNumber(f[kLatitude]) || !HoldsNumber(f[kLongitude])) return false;
  *x = DegreesToArcMs(f[kLatitude]);
  *y = DegreesToArcMs(f[kLongitude]);
  return *x != 0 || *y != 0;
}

class SectBuild : public FrameTool {
 public:
  explicit SectBuild(bool updateTowns) : updateTowns_(updateTowns) {}

  bool OpenOutputs(Output& out, SourceType) override {
    const char* azaPath = krvDbFilePath(KRV_FILE_AZA_REC);
    if (azaPath == nullptr) {
      out.Error("丁目字レコードファイルのパスを取得できません。");
      return false;
    }
    azaTarget_ = azaPath;
    if (!azaFile_.Create(staged_.Stage(azaTarget_).c_str())) {
      out.Error("ファイルを作成できません。 :  azaFileName = %s\n", {Arg::Path(azaTarget_)});
      return false;
    }
    // The section file is written anew: links into the old one go.
    ClearTownSectionLinks();
    return true;
  }

  void ResetCounters() override {
    tables_.assign(kTableCapacity, AzaTableEntry{});
    records_.clear();
    records_.reserve(1 << 16);
    total_ = 0;
    highestUsed_ = 0;
    pointedTowns_.clear();
  }

  FileCounts ReadFile(Output& out, SourceType type, const SourcePath& source) override {
    // The second source type has no reader: its files add nothing.
    if (type == SourceType::kMain) MakeAzaRecords(out, source);
    return FileCounts{};
  }

  bool WriteOutputs(Output& out) override {
    AzaRecHeader header{};
    format::PutId(header.id, format::kAzaRecId);
    header.version = format::kFormatVersion;
    header.tableCapacity = static_cast<int32_t>(kTableCapacity);
    header.tablesUsed = highestUsed_ == 0 ? 0 : static_cast<int32_t>(highestUsed_ + 1);
    header.recordCount = total_;
    if (!azaFile_.Write(header) || !azaFile_.Write(tables_.data(), tables_.size()) ||
        !azaFile_.Write(records_.data(), static_cast<std::size_t>(total_)) || !azaFile_.Commit()) {
      out.Error("ファイルに書き込みができません。");
      return false;
    }
    GiveTownsTheirFirstSectionsPoint();
    if (updateTowns_) {
      if (const char* choPath = krvDbFilePath(KRV_FILE_CHO_REC); choPath != nullptr) {
        const int saved = ChoRecSave(staged_.Stage(choPath).c_str());
        if (saved < 0) {
          out.Error("町大字ファイルの更新ができません。n = %d\n", {saved});
          return false;
        }
      }
    }
    // Both files are complete: they replace the DB's files together.
    const int failed = staged_.Publish();
    if (failed == 0) {
      out.Error("ファイルに書き込みができません。");
      return false;
    }
    if (failed > 0) {
      out.Error("町大字ファイルの更新ができません。n = %d\n", {-1});
      return false;
    }
    return true;
  }

  void NoteUnwrittenOutputs(Output& out) override {
    for (const std::string& target : staged_.Pending()) NoteUnwrittenOutput(out, target);
  }

  void CleanUp() override {
    source_.Close();
    azaFile_.Abandon();
    staged_.Abandon();
  }

 private:
  // The section table being filled.
  struct Table {
    std::size_t index = 0;  // 0: none
    int32_t area = 0;
    int32_t town = 0;
    std::string municipality;
    int32_t count = 0;
    int32_t nextSection = 1;
  };

  void ReaderError(Output& out, const std::string& text) {
    out.Error("Error%s    at : MakeAzaRecords()\n", {Arg::Raw(text)});
  }

  void MakeAzaRecords(Output& out, const SourcePath& source) {
    if (!source_.Open(source.path)) {
      ReaderError(out, out.Compose("ファイルを開けません。 : %s\n", {Arg::Path(source.lower)}));
      return;
    }
    int prefNo = 0;
    int year = 0;
    const FileNameCheck check = CheckSourceFileName(source.lower, &prefNo, &year);
    if (check != FileNameCheck::kOk) {
      const char* text = check == FileNameCheck::kBadFormat       ? "ファイル名のフォーマットが違います。"
                         : check == FileNameCheck::kBadPrefecture ? "ファイル名の県コードが範囲外です。"
                                                                  : "ファイル名の年号が範囲外です。";
      ReaderError(out, out.Compose(text, {}));
      source_.Close();
      return;
    }
    lineNo_ = 0;
    table_ = Table{};
    lastName_.clear();
    std::string_view raw;
    while (source_.ReadLine(kLineBytes, &raw)) {
      ++lineNo_;
      if (!AddLine(out, raw, prefNo)) {
        DropTable();
        source_.Close();
        return;
      }
    }
    if (source_.error()) {
      ReaderError(out, out.Compose("ファイルを読み込めません。 : %s\n", {Arg::Path(source.lower)}));
      DropTable();
      source_.Close();
      return;
    }
    if (table_.index != 0 && table_.count > 0) {
      LinkTown();
      FinishTable();
    }
    source_.Close();
  }

  // One source line.  False when the file stops with an error (printed).
  bool AddLine(Output& out, std::string_view raw, int prefNo) {
    std::string_view f[kFieldCount];
    // The line end is no part of the last column.
    SplitFields(WithoutLineEnd(raw), f, kFieldCount, kFieldBytes, Quotes::kAll);
    const std::string_view townText = f[kTownText];
    if (townText.empty() || IsHeadingLine(f[kPrefecture])) return true;
    ResolvedLine line;
    if (!ResolveSourceLine(out, f[kMunicipality], townText, prefNo, lineNo_, &line)) return true;
    std::string_view name = townText.substr(std::min<std::size_t>(static_cast<std::size_t>(line.townLength), townText.size()));
    if (name.substr(0, kAza.size()) == kAza) name.remove_prefix(kAza.size());
    int32_t x = 0;
    int32_t y = 0;
    const bool hasPoint = LinePoint(f, &x, &y);
    if (name.empty()) {
      // The line names the town alone.
      if (hasPoint && line.townLength > 0) SetTownPoint(line, x, y);
      return true;
    }
    if (table_.index != 0 && line.areaCode == table_.area) {
      // A section is a repeat only of the last one of its own town.
      if (line.townNo == table_.town && name == lastName_) return true;
      if (line.townNo != table_.town && !StartTable(out, line, f[kMunicipality])) return false;
    } else if (!StartTable(out, line, f[kMunicipality])) {
      return false;
    }
    if (name.size() > kMaxNameBytes) {
      ReaderError(out, out.Compose("丁目字名の文字列が長すぎます。%s : %s : %s\n",
                                   {Arg::Sjis(f[kMunicipality]), Arg::Sjis(townText), Arg::Sjis(name)}));
      return false;
    }
    // The key keeps the section number in its low 16 bits: a town's
    // 65,536th section would pass for a section of the next town.
    if (table_.nextSection > kMaxSectionNo) {
      ReaderError(out, out.Compose("レコード数が多すぎます。n = %d  : %s : %s : %s\n",
                                   {kMaxSectionNo, Arg::Sjis(f[kMunicipality]), Arg::Sjis(townText), Arg::Sjis(name)}));
      return false;
    }
    AzaRecord record{};
    record.azaKey = static_cast<int32_t>(static_cast<uint32_t>(line.townNo) * 65536u +
                                         static_cast<uint32_t>(table_.nextSection));
    std::memcpy(record.name, name.data(), name.size());
    if (hasPoint) {
      record.pointX = x;
      record.pointY = y;
    }
    records_.push_back(record);
    ++table_.count;
    ++table_.nextSection;
    if (total_ + table_.count >= kRecordLimit) {
      ReaderError(out, out.Compose("レコード数が多すぎます。n = %d  : %s : %s : %s\n",
                                   {kRecordLimit, Arg::Sjis(f[kMunicipality]), Arg::Sjis(townText),
                                    Arg::Sjis(name)}));
      return false;
    }
    lastName_.assign(name);
    return true;
  }

  // Links the town of the table being filled, finishes it and opens the
  // next one.  False when the file stops (printed).
  bool StartTable(Output& out, const ResolvedLine& line, std::string_view municipality) {
    if (table_.index != 0) {
      if (table_.town > 0) {
        const int linked = LinkTown();
        if (linked != 0) {
          ReaderError(out, out.Compose("町大字レコードを設定できません。 n = %d : citycode = %d(%s) : chocode = %d \n",
                                       {linked, table_.area, Arg::Sjis(table_.municipality), table_.town}));
          return false;
        }
      }
      FinishTable();
    }
    const std::size_t index = highestUsed_ + 1;
    if (index >= kTableCapacity) {
      ReaderError(out, out.Compose("テーブルの容量が足りません。\n", {}));
      return false;
    }
    tables_[index] = AzaTableEntry{line.areaCode, line.townNo, 0, 0, total_};
    table_ = Table{};
    table_.index = index;
    table_.area = line.areaCode;
    table_.town = line.townNo;
    table_.municipality.assign(municipality);
    return true;
  }

  // 0, or -1 when the town record cannot be read, -2 written.
  int LinkTown() {
    ChoRecord record{};
    if (ChoRecGet(table_.area, table_.town, &record) != 0) return -1;
    record.azaIndex = static_cast<int32_t>(table_.index);
    if (ChoRecPut(table_.area, table_.town, &record) != 0) return -2;
    return 0;
  }

  void FinishTable() {
    tables_[table_.index].azaCount = table_.count;
    total_ += table_.count;
    highestUsed_ = table_.index;
    table_ = Table{};
  }

  // A file stopped by an error keeps nothing of the table being filled: its
  // records go, and its index is taken again by the next table.
  void DropTable() {
    if (table_.index != 0) tables_[table_.index] = AzaTableEntry{};
    records_.resize(static_cast<std::size_t>(total_));
    table_ = Table{};
  }

  // The first line of the run that names the town alone gives its point.
  void SetTownPoint(const ResolvedLine& line, int32_t x, int32_t y) {
    const int64_t key = (int64_t{line.areaCode} << 32) | static_cast<uint32_t>(line.townNo);
    if (!pointedTowns_.insert(key).second) return;
    ChoRecord record{};
    if (ChoRecGet(line.areaCode, line.townNo, &record) != 0) return;
    record.pointX = x;
    record.pointY = y;
    ChoRecPut(line.areaCode, line.townNo, &record);
  }

  // A town that has no point of its own takes the point of the first of its
  // sections that has one, so that the town level has a point wherever the
  // sources give sections points.
  void GiveTownsTheirFirstSectionsPoint() {
    for (std::size_t i = 1; i <= highestUsed_; ++i) {
      const AzaTableEntry& table = tables_[i];
      ChoRecord town{};
      if (ChoRecGet(table.areaCode, table.townNo, &town) != 0 || town.pointX != 0 || town.pointY != 0) continue;
      for (int32_t r = table.firstRecord; r < table.firstRecord + table.azaCount; ++r) {
        const AzaRecord& section = records_[static_cast<std::size_t>(r)];
        if (section.pointX == 0 && section.pointY == 0) continue;
        town.pointX = section.pointX;
        town.pointY = section.pointY;
        ChoRecPut(table.areaCode, table.townNo, &town);
        break;
      }
    }
  }

  const bool updateTowns_;

  // The run's tables and records: finished tables hold records_[0, total_),
  // the table being filled the records after them.
  std::vector<AzaTableEntry> tables_;
  std::vector<AzaRecord> records_;
  int32_t total_ = 0;
  std::size_t highestUsed_ = 0;
  std::unordered_set<int64_t> pointedTowns_;

  std::string azaTarget_;
  DbFileWriter azaFile_;
  StagedFiles staged_;

  // State of the file being read.
  LineReader source_;
  int lineNo_ = 0;
  Table table_;
  std::string lastName_;
};

}  // namespace

int RunSectbuild(const std::vector<std::string>& args, Output& out) {
  // noUpdate counts only as the third of exactly three arguments.
  const bool updateTowns = !(args.size() == 3 && ParseInt(args[2]) == 1);
  SectBuild tool(updateTowns);
  return RunFrame(kSectbuildFrame, tool, args, out);
}

}  // namespace krv::tool
