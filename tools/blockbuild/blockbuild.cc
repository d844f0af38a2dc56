#include "blockbuild.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "db_file.h"
#include "fields.h"
#include "frame.h"
#include "kurovia.h"
#include "line_reader.h"
#include "link_reset.h"
#include "sjis_scan.h"
#include "source_line.h"
#include "staged_files.h"
#include "string_file_builder.h"

namespace krv::tool {
namespace {

using format::DbFileWriter;
using format::GaikuRecHeader;
using format::GaikuTableEntry;
using format::JukyoRecHeader;
using format::JukyoTableEntry;

// Limits of the run.  A table index or record count that reaches its limit
// stops the file (tables) or fails the line's residence (residences).
constexpr int32_t kBlockLimit = 20000000;
constexpr std::size_t kBlockTableLimit = 500000;
constexpr std::size_t kResidenceLimit = 1000000;
constexpr std::size_t kResidenceTableLimit = 100000;
constexpr uint16_t kMaxTableResidences = 0xFFFF;
// The sizes the messages name when working memory cannot be had.
constexpr int kBlockBufferBytes = 320000000;
constexpr int kResidenceBufferBytes = 12000000;
// Room reserved at the start; the tables grow as the sources need.
constexpr std::size_t kInitialBlocks = 1 << 16;
constexpr std::size_t kInitialResidences = 1 << 14;

constexpr std::size_t kLineBytes = 255;
constexpr std::size_t kFieldCount = 11;
constexpr std::size_t kFieldBytes = 1023;
constexpr int kNameBufferSize = 1024;

enum Column {
  kPrefecture = 0,
  kMunicipality = 1,
  kTownText = 2,
  kBlock = 3,
  kLatitude = 7,
  kLongitude = 8,
  kResidenceFlag = 9,
};

constexpr std::string_view kGaikuMark = "\x8A\x58\x8B\xE6";  // 街区
constexpr std::string_view kNo = "\x82\xCC";                 // の

const FrameConstants kBlockbuildFrame = {
    " blockbuild krvDbDir gaikuDirName \n",
    3,  // krvDbLoad level: areas, towns and sections
    "#3 住所DBをメモリにロードできません。 %s",
    true,
    "#4 ディレクトリ名は255文字以内にして下さい。",
    4000,
    "#5 指定したディレクトリ処理できるファイルがありません。",
    "csv",
    "txt",
    "pnt",
    "#6 元データのファイルは現在サポートされていません。",
    "---- end   : file name = %s : nret = %d  : records = %d---- \n",
    true,
};

// Results of reading one source file, printed as nret.
constexpr int kReadToEnd = 0;
constexpr int kStopped = -1;
constexpr int kReadFailed = -2;

// What column 4 says about a block.
struct BlockColumn {
  bool named = false;
  int32_t number = 0;         // the block number of a numbered block
  std::string_view name;      // the name of a named block
  std::string_view residence; // the rest of the column: the residence part
};

// Column 4: a block number, with a residence part after "-", "の" or
// nothing (12-3, 12の3, 5ロ), or "街区" (12街区); or a block name up to the
// first ASCII digit, the rest being the residence part (甲12, イ, １２).
BlockColumn ParseBlockColumn(std::string_view column) {
  BlockColumn block;
  if (column.empty() || IsAsciiDigits(column)) {
    block.number = ParseInt(column);
    return block;
  }
  std::size_t digits = 0;
  while (digits < column.size() && column[digits] >= '0' && column[digits] <= '9') ++digits;
  if (digits > 0) {
    block.number = ParseInt(column.substr(0, digits));
    // The separator is taken where it stands, right after the number.
    std::string_view after = column.substr(digits);
    std::size_t end = digits;
    if (after.substr(0, kGaikuMark.size()) == kGaikuMark) {
      end += kGaikuMark.size();
    } else if (after.substr(0, kNo.size()) == kNo) {
      end += kNo.size();
    } else if (!after.empty() && after.front() == '-') {
      end += 1;
    }
    block.residence = column.substr(end);
    return block;
  }
  block.named = true;
  std::size_t end = 0;
  while (end < column.size() && !(column[end] >= '0' && column[end] <= '9')) end += CharLengthAt(column, end);
  block.name = column.substr(0, end);
  block.residence = column.substr(end);
  return block;
}

class BlockBuild : public FrameTool {
 public:
  bool Prepare(Output& out) override {
    if (!Reserve(blocks_, kInitialBlocks) || !Reserve(blockTables_, kInitialBlocks / 8)) {
      out.Error("#1 メモリを確保できません。 確保しようとしたバイト数 = %d", {kBlockBufferBytes});
      return false;
    }
    if (!Reserve(residences_, kInitialResidences) || !Reserve(residenceTables_, kInitialResidences / 8)) {
      out.Error("#2 メモリを確保できません。 確保しようとしたバイト数 = %d", {kResidenceBufferBytes});
      return false;
    }
    return true;
  }

  bool OpenOutputs(Output& out, SourceType) override {
    gaikuTarget_ = PathOf(KRV_FILE_GAIKU_REC);
    if (!gaikuFile_.Create(staged_.Stage(gaikuTarget_).c_str())) {
      out.Error("#7 ファイルを作成できません。 :  gaikuFileName = %s\n", {Arg::Path(gaikuTarget_)});
      return false;
    }
    jukyoTarget_ = PathOf(KRV_FILE_JUKYO_REC);
    if (!jukyoFile_.Create(staged_.Stage(jukyoTarget_).c_str())) {
      out.Error("#8 ファイルを作成できません。 :  jukyoFileName = %s\n", {Arg::Path(jukyoTarget_)});
      return false;
    }
    // The string file is started anew with the run's first name.
    if (const std::string stringPath = PathOf(KRV_FILE_STRING_REC); !stringPath.empty()) {
      strings_.SetOutput(staged_.Stage(stringPath));
    }
    // The block file is written anew: links into the old one go.
    ClearBlockLinks();
    return true;
  }

  void ResetCounters() override {
    blockTables_.assign(1, GaikuTableEntry{});
    blocks_.clear();
    blockTotal_ = 0;
    highestUsed_ = 0;
    residenceTables_.assign(1, JukyoTableEntry{});
    residences_.clear();
    residenceOpen_ = false;
  }

  FileCounts ReadFile(Output& out, SourceType type, const SourcePath& source) override {
    FileCounts counts;
    counts.count = 2;
    // The second source type has no reader: its files add nothing.
    if (type != SourceType::kMain) return counts;
    const int32_t totalBefore = blockTotal_;
    counts.values[0] = MakeGaikuRecords(out, source);
    counts.values[1] = blockTotal_ - totalBefore;
    return counts;
  }

  bool RunStopped() const override { return stopped_; }

  bool WriteOutputs(Output& out) override {
    GaikuRecHeader gaikuHeader{};
    format::PutId(gaikuHeader.id, format::kGaikuRecId);
    gaikuHeader.version = format::kFormatVersion;
    const std::size_t blockTables = highestUsed_ == 0 ? 0 : highestUsed_ + 1;
    gaikuHeader.tableCountCopy = gaikuHeader.tableCount = static_cast<int32_t>(blockTables);
    gaikuHeader.recordCount = blockTotal_;
    if (!gaikuFile_.Write(gaikuHeader) || !gaikuFile_.Write(blockTables_.data(), blockTables)) {
      out.Error("#9 ファイルにテーブルリストの書き込みができません。");
      return false;
    }
    if (!gaikuFile_.Write(blocks_.data(), static_cast<std::size_t>(blockTotal_)) || !gaikuFile_.Commit()) {
      out.Error("#10 ファイルにレコードの書き込みができません。");
      return false;
    }
    JukyoRecHeader jukyoHeader{};
    format::PutId(jukyoHeader.id, format::kJukyoRecId);
    jukyoHeader.version = format::kFormatVersion;
    const std::size_t residenceTables = residenceTables_.size() == 1 ? 0 : residenceTables_.size();
    jukyoHeader.tableCountCopy = jukyoHeader.tableCount = static_cast<int32_t>(residenceTables);
    jukyoHeader.recordCount = static_cast<int32_t>(residences_.size());
    if (!jukyoFile_.Write(jukyoHeader) || !jukyoFile_.Write(residenceTables_.data(), residenceTables)) {
      out.Error("#11 ファイルにテーブルリストの書き込みができません。");
      return false;
    }
    if (!jukyoFile_.Write(residences_.data(), residences_.size()) || !jukyoFile_.Commit()) {
      out.Error("#12 ファイルにレコードの書き込みができません。");
      return false;
    }
    if (!strings_.Finish()) {
      out.Error("#15 地番文字列ファイルの書き込みができません。\n");
      return false;
    }
    const std::string choPath = PathOf(KRV_FILE_CHO_REC);
    if (!choPath.empty()) {
      const int saved = ChoRecSave(staged_.Stage(choPath).c_str());
      if (saved < 0) {
        out.Error("#13 町大字ファイルの更新ができません。n = %d\n", {saved});
        return false;
      }
    }
    const std::string azaPath = PathOf(KRV_FILE_AZA_REC);
    if (!azaPath.empty()) {
      const int saved = AzaRecSave(staged_.Stage(azaPath).c_str());
      if (saved < 0) {
        out.Error("#14 丁目字ファイルの更新ができません。n = %d\n", {saved});
        return false;
      }
    }
    // Every file is complete: they replace the DB's files together, in the
    // order they were staged (blocks, residences, strings, towns, sections).
    switch (staged_.Publish()) {
      case -1:
        return true;
      case 0:
        out.Error("#10 ファイルにレコードの書き込みができません。");
        return false;
      case 1:
        out.Error("#12 ファイルにレコードの書き込みができません。");
        return false;
      case 2:
        out.Error("#15 地番文字列ファイルの書き込みができません。\n");
        return false;
      case 3:
        out.Error("#13 町大字ファイルの更新ができません。n = %d\n", {-1});
        return false;
      default:
        out.Error("#14 丁目字ファイルの更新ができません。n = %d\n", {-1});
        return false;
    }
  }

  void NoteUnwrittenOutputs(Output& out) override {
    for (const std::string& target : staged_.Pending()) NoteUnwrittenOutput(out, target);
  }

  void CleanUp() override {
    source_.Close();
    gaikuFile_.Abandon();
    jukyoFile_.Abandon();
    strings_.Abandon();
    staged_.Abandon();
  }

 private:
  // The identity of a residence table: its block.
  struct ResidenceKey {
    int32_t area = 0;
    int32_t town = 0;
    int32_t aza = 0;
    int32_t block = 0;
    bool operator==(const ResidenceKey& o) const {
      return area == o.area && town == o.town && aza == o.aza && block == o.block;
    }
  };

  // The block table being filled.
  struct Table {
    std::size_t index = 0;  // 0: none
    int32_t area = 0;
    int32_t town = 0;
    int32_t aza = 0;
    std::string municipality;
    int32_t count = 0;
    // The residence state when the table was started, for dropping it.
    std::size_t residenceTables = 0;
    std::size_t residences = 0;
    bool residenceOpen = false;
    ResidenceKey residenceKey;
  };

  // The block of the last record of the table being filled: the next line
  // of the same block adds to that record.
  struct LastBlock {
    bool named = false;
    int32_t number = 0;
    std::string name;
    int32_t key = 0;
  };

  static std::string PathOf(int id) {
    const char* path = krvDbFilePath(id);
    return path == nullptr ? std::string() : std::string(path);
  }

  template <class T>
  static bool Reserve(std::vector<T>& v, std::size_t count) {
    try {
      v.reserve(count);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

  // Appends to a growing table.  False after printing the memory message
  // when it cannot grow; the run then stops.
  template <class T>
  bool Append(Output& out, std::vector<T>& v, const T& item, int bufferBytes, const char* message) {
    try {
      v.push_back(item);
      return true;
    } catch (const std::bad_alloc&) {
      out.Error(message, {bufferBytes});
      stopped_ = true;
      return false;
    }
  }
  bool AppendBlock(Output& out, const GaikuRecord& record) {
    return Append(out, blocks_, record, kBlockBufferBytes, "#1 メモリを確保できません。 確保しようとしたバイト数 = %d");
  }
  bool AppendResidence(Output& out, const JukyoRecord& record) {
    return Append(out, residences_, record, kResidenceBufferBytes,
                  "#2 メモリを確保できません。 確保しようとしたバイト数 = %d");
  }

  void ReaderError(Output& out, const std::string& text) {
    out.Error("Error%s    at : MakeGaikuRecords()\n", {Arg::Raw(text)});
  }

  int MakeGaikuRecords(Output& out, const SourcePath& source) {
    if (!source_.Open(source.path)) {
      ReaderError(out, out.Compose("#16 ファイルを開けません。 : %s\n", {Arg::Path(source.lower)}));
      return kStopped;
    }
    int prefNo = 0;
    int year = 0;
    const FileNameCheck check = CheckSourceFileName(source.lower, &prefNo, &year);
    if (check != FileNameCheck::kOk) {
      const char* text = check == FileNameCheck::kBadFormat       ? "#20 ファイル名のフォーマットが違います。"
                         : check == FileNameCheck::kBadPrefecture ? "#21 ファイル名の県コードが範囲外です。"
                                                                  : "#22 ファイル名の年号が範囲外です。";
      ReaderError(out, out.Compose(text, {}));
      source_.Close();
      return kStopped;
    }
    lineNo_ = 0;
    table_ = Table{};
    std::string_view raw;
    while (source_.ReadLine(kLineBytes, &raw)) {
      ++lineNo_;
      if (!AddLine(out, raw, prefNo)) {
        DropTable();
        source_.Close();
        return kStopped;
      }
    }
    if (source_.error()) {
      ReaderError(out, out.Compose("#17 ファイルを読み込めません。 : %s\n", {Arg::Path(source.lower)}));
      DropTable();
      source_.Close();
      return kReadFailed;
    }
    if (table_.index != 0 && table_.count > 0) {
      LinkTable();
      FinishTable();
    }
    source_.Close();
    return kReadToEnd;
  }

  // One source line.  False when the file stops (printed).
  bool AddLine(Output& out, std::string_view raw, int prefNo) {
    std::string_view f[kFieldCount];
    // The line end is no part of the last column.
    SplitFields(WithoutLineEnd(raw), f, kFieldCount, kFieldBytes, Quotes::kAll);
    const std::string_view municipality = f[kMunicipality];
    const std::string_view townText = f[kTownText];
    if (townText.empty() || IsHeadingLine(f[kPrefecture])) return true;
    ResolvedLine line;
    if (!ResolveSourceLine(out, municipality, townText, prefNo, lineNo_, &line)) return true;
    int32_t aza = 0;
    if (!ResolveLineSection(out, municipality, townText, lineNo_, line, &aza)) return true;

    if (table_.index == 0 || line.areaCode != table_.area || line.townNo != table_.town || aza != table_.aza) {
      if (!StartTable(out, line, aza, municipality, ParseInt(f[kResidenceFlag]))) return false;
    }

    const BlockColumn block = ParseBlockColumn(f[kBlock]);
    // Consecutive lines of one block make one block record.
    const bool sameBlock = table_.count > 0 && block.named == last_.named &&
                           (block.named ? block.name == last_.name : block.number == last_.number);
    int32_t key = block.number;
    if (sameBlock) {
      key = last_.key;
    } else if (block.named) {
      const int32_t k = strings_.Add(block.name);
      if (k <= 0) {
        ReaderError(out, out.Compose("#25 地番文字列ファイルに登録できませんでした。str = %s\n", {Arg::Sjis(block.name)}));
        return false;
      }
      key = -k;
    }

    const int32_t x = DegreesToArcMs(f[kLatitude]);
    const int32_t y = DegreesToArcMs(f[kLongitude]);
    int32_t jukyoIndex = 0;
    if (!block.residence.empty()) {
      jukyoIndex = AddResidence(out, block.residence, ResidenceKey{line.areaCode, line.townNo, aza, key}, x, y);
      if (jukyoIndex <= 0) {
        if (!stopped_) {
          ReaderError(out, out.Compose("#26 住居番号テーブルに登録登録できませんでした。str = %s\n",
                                       {Arg::Sjis(block.residence)}));
        }
        return false;
      }
    }

    if (sameBlock) {
      // The record keeps the point of the block's first line.
      GaikuRecord& record = blocks_.back();
      if (record.jukyoIndex == 0) record.jukyoIndex = jukyoIndex;
    } else {
      if (!AppendBlock(out, GaikuRecord{key, jukyoIndex, x, y})) return false;
      ++table_.count;
      last_.named = block.named;
      last_.number = block.number;
      last_.name.assign(block.name);
      last_.key = key;
    }
    if (blockTotal_ + table_.count >= kBlockLimit) {
      ReaderError(out, out.Compose("#26 レコード数が多すぎます。n = %d  : %s : %s\n",
                                   {kBlockLimit, Arg::Sjis(municipality), Arg::Sjis(townText)}));
      return false;
    }
    return true;
  }

  // Links the table being filled, finishes it and opens the next one.
  // False when the file stops (printed).
  bool StartTable(Output& out, const ResolvedLine& line, int32_t aza, std::string_view municipality,
                  int32_t residenceFlag) {
    if (table_.index != 0) {
      if (table_.town > 0) {
        const int linked = LinkTable();
        if (linked != 0) {
          ReaderError(out, out.Compose("#23 町大字、丁目字レコードを設定できません。 n = %d : citycode = %d(%s) : "
                                       "chocode = %d : azacode = %d\n",
                                       {linked, table_.area, Arg::Sjis(table_.municipality), table_.town, table_.aza}));
          return false;
        }
      }
      FinishTable();
    }
    const std::size_t index = highestUsed_ + 1;
    if (index >= kBlockTableLimit) {
      ReaderError(out, out.Compose("#24 テーブルの容量が足りません。\n", {}));
      return false;
    }
    const GaikuTableEntry entry{line.areaCode, line.townNo, aza, 0, blockTotal_, residenceFlag};
    if (index < blockTables_.size()) {
      blockTables_[index] = entry;
    } else if (!Append(out, blockTables_, entry, kBlockBufferBytes,
                       "#1 メモリを確保できません。 確保しようとしたバイト数 = %d")) {
      return false;
    }
    table_ = Table{};
    table_.index = index;
    table_.area = line.areaCode;
    table_.town = line.townNo;
    table_.aza = aza;
    table_.municipality.assign(municipality);
    table_.residenceTables = residenceTables_.size();
    table_.residences = residences_.size();
    table_.residenceOpen = residenceOpen_;
    table_.residenceKey = residenceKey_;
    last_ = LastBlock{};
    return true;
  }

  // Stores the table's index in its town record (blocks directly under the
  // town) or its section record.  0, or -1 town read, -2 town write, -3
  // section read, -4 section write failed.
  int LinkTable() {
    const auto index = static_cast<int32_t>(table_.index);
    if (table_.aza == 0) {
      ChoRecord town{};
      if (ChoRecGet(table_.area, table_.town, &town) != 0) return -1;
      town.gaikuIndex = index;
      if (ChoRecPut(table_.area, table_.town, &town) != 0) return -2;
      return 0;
    }
    AzaRecord section{};
    if (AzaRecGet(table_.area, table_.town, table_.aza, &section) != 0) return -3;
    section.gaikuIndex = index;
    if (AzaRecPut(table_.area, table_.town, table_.aza, &section) != 0) return -4;
    return 0;
  }

  void FinishTable() {
    blockTables_[table_.index].gaikuCount = table_.count;
    blockTotal_ += table_.count;
    highestUsed_ = table_.index;
    table_ = Table{};
  }

  // A file stopped by an error keeps nothing of the table being filled: its
  // blocks and the residences they added go, and its index is taken again
  // by the next table.
  void DropTable() {
    if (table_.index == 0) return;
    blockTables_[table_.index] = GaikuTableEntry{};
    blocks_.resize(static_cast<std::size_t>(blockTotal_));
    residenceTables_.resize(table_.residenceTables);
    residences_.resize(table_.residences);
    residenceOpen_ = table_.residenceOpen;
    residenceKey_ = table_.residenceKey;
    table_ = Table{};
  }

  // Adds a residence of the block `key` (its number, or a name stored as
  // "＄" and the name).  The index of the block's residence table, or 0
  // when it cannot be added.
  int32_t AddResidence(Output& out, std::string_view part, const ResidenceKey& key, int32_t x, int32_t y) {
    if (!residenceOpen_ || !(key == residenceKey_)) {
      const std::size_t index = residenceTables_.size();
      if (index >= kResidenceTableLimit) return 0;
      const JukyoTableEntry entry{0, format::JukyoCheckValue(key.area, key.town, key.aza, key.block),
                                  static_cast<int32_t>(residences_.size())};
      if (!Append(out, residenceTables_, entry, kResidenceBufferBytes,
                  "#2 メモリを確保できません。 確保しようとしたバイト数 = %d")) {
        return 0;
      }
      residenceKey_ = key;
      residenceOpen_ = true;
    }
    JukyoTableEntry& table = residenceTables_.back();
    if (table.jukyoCount == kMaxTableResidences) return 0;
    int32_t residenceKey = 0;
    if (IsAsciiDigits(part)) {
      residenceKey = ParseInt(part);
    } else {
      char name[kNameBufferSize];
      krvStrcpy(name, format::kResidenceNamePrefix, kNameBufferSize);
      const std::string text(part);
      krvStrcat(name, text.c_str(), kNameBufferSize);
      const int32_t k = strings_.Add(name);
      if (k <= 0) return 0;
      residenceKey = -k;
    }
    if (!AppendResidence(out, JukyoRecord{residenceKey, x, y})) return 0;
    ++residenceTables_.back().jukyoCount;
    if (residences_.size() >= kResidenceLimit) return 0;
    return static_cast<int32_t>(residenceTables_.size() - 1);
  }

  // The run's block tables and blocks: finished tables hold
  // blocks_[0, blockTotal_), the table being filled the blocks after them.
  std::vector<GaikuTableEntry> blockTables_;
  std::vector<GaikuRecord> blocks_;
  int32_t blockTotal_ = 0;
  std::size_t highestUsed_ = 0;
  // The run's residence tables (entry 0 unused) and residences; the last
  // table is the open one while residenceOpen_.
  std::vector<JukyoTableEntry> residenceTables_;
  std::vector<JukyoRecord> residences_;
  ResidenceKey residenceKey_;
  bool residenceOpen_ = false;
  StringFileBuilder strings_;
  bool stopped_ = false;

  std::string gaikuTarget_;
  std::string jukyoTarget_;
  DbFileWriter gaikuFile_;
  DbFileWriter jukyoFile_;
  StagedFiles staged_;

  // State of the file being read.
  LineReader source_;
  int lineNo_ = 0;
  Table table_;
  LastBlock last_;
};

}  // namespace

int RunBlockbuild(const std::vector<std::string>& args, Output& out) {
  BlockBuild tool;
  return RunFrame(kBlockbuildFrame, tool, args, out);
}

}  // namespace krv::tool
