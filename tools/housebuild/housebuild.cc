#include "housebuild.h"

#include <cstring>
#include <new>
#include <string_view>

#include "db_file.h"
#include "fields.h"
#include "frame.h"
#include "kurovia.h"
#include "line_reader.h"
#include "sjis_scan.h"
#include "source_line.h"
#include "staged_files.h"
#include "string_file_builder.h"

namespace krv::tool {
namespace {

using format::DbFileReader;
using format::DbFileWriter;
using format::JukyoRecHeader;
using format::JukyoTableEntry;

// Residence records of the new file, kept and added together; the one that
// reaches the limit stops its file.
constexpr std::size_t kResidenceLimit = 25000000;
constexpr int kResidenceBufferBytes = 300000000;
constexpr uint16_t kMaxTableResidences = 0xFFFF;
constexpr std::size_t kInitialResidences = 1 << 16;

constexpr std::size_t kLineBytes = 255;
constexpr std::size_t kFieldCount = 11;
constexpr std::size_t kFieldBytes = 1023;
constexpr int kNameBufferSize = 1024;

enum Column {
  kPrefecture = 0,
  kMunicipality = 1,
  kTownText = 2,
  kBlock = 3,
  kResidence = 4,
  kLatitude = 5,
  kLongitude = 6,
};

const FrameConstants kHousebuildFrame = {
    " housebuild krvDbDir jukyoDirName \n",
    4,  // krvDbLoad level: areas, towns, sections and blocks with the string file
    "#2 住所DBをメモリにロードできません。 %s",
    true,
    "#3 ディレクトリ名は255文字以内にして下さい。",
    4000,
    "#4 指定したディレクトリ処理できるファイルがありません。",
    nullptr,  // a single source type
    "txt",
    "gou",
    "#5 元データのファイルは現在サポートされていません。",
    "---- end   : file name = %s : nret = %d  : records = %d---- \n",
    true,
};

// Results of reading one source file, printed as nret.
constexpr int kReadToEnd = 0;
constexpr int kStopped = -1;
constexpr int kReadFailed = -2;

constexpr const char* kMemoryMessage = "#1 メモリを確保できません。 確保しようとしたバイト数 = %d";

enum class PrefectureCheck { kOk, kBadFormat, kBadPrefecture };

// The prefecture number of a source file: the decimal number that begins
// its name, followed by "_" (13_gou.txt).
PrefectureCheck PrefectureOfFileName(const std::string& lowerPath, int* prefNo) {
  std::string_view name(lowerPath);
  const std::size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  std::size_t digits = 0;
  while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
  if (digits == 0 || digits >= name.size() || name[digits] != '_') return PrefectureCheck::kBadFormat;
  *prefNo = ParseInt(name.substr(0, digits));
  if (*prefNo < 1 || *prefNo > 47) return PrefectureCheck::kBadPrefecture;
  return PrefectureCheck::kOk;
}

std::string PathOf(int id) {
  const char* path = krvDbFilePath(id);
  return path == nullptr ? std::string() : std::string(path);
}

class HouseBuild : public FrameTool {
 public:
  bool Prepare(Output& out) override {
    try {
      newRecords_.reserve(kInitialResidences);
      newTableOf_.reserve(kInitialResidences);
    } catch (const std::bad_alloc&) {
      out.Error(kMemoryMessage, {kResidenceBufferBytes});
      return false;
    }
    return true;
  }

  bool OpenOutputs(Output& out, SourceType) override {
    jukyoTarget_ = PathOf(KRV_FILE_JUKYO_REC);
    if (const int loaded = LoadResidenceFile(jukyoTarget_); loaded != 0) {
      out.Error("#10 住居番号ファイルを読み込めません。 n = %d :  jukyoFileName = %s\n",
                {loaded, Arg::Path(jukyoTarget_)});
      return false;
    }
    const std::string stringPath = PathOf(KRV_FILE_STRING_REC);
    if (const int loaded = strings_.Load(stringPath); loaded != 0) {
      out.Error("#11 地番文字列ファイルを読み込めません。 n = %d :  stringFileName = %s\n",
                {loaded, Arg::Path(stringPath)});
      return false;
    }
    if (!jukyoFile_.Create(staged_.Stage(jukyoTarget_).c_str())) {
      out.Error("#6 ファイルを作成できません。 :  jukyoFileName = %s\n", {Arg::Path(jukyoTarget_)});
      return false;
    }
    strings_.SetOutput(staged_.Stage(stringPath));
    return true;
  }

  FileCounts ReadFile(Output& out, SourceType, const SourcePath& source) override {
    FileCounts counts;
    counts.count = 2;
    const std::size_t before = newRecords_.size();
    counts.values[0] = MakeJukyoRecords(out, source);
    counts.values[1] = static_cast<int>(newRecords_.size() - before);
    return counts;
  }

  bool RunStopped() const override { return stopped_; }

  bool WriteOutputs(Output& out) override {
    if (!WriteResidenceFile(out)) return false;
    if (!strings_.Finish()) {
      out.Error("#12 地番文字列ファイルの書き込みができません。\n");
      return false;
    }
    if (const std::string gaikuPath = PathOf(KRV_FILE_GAIKU_REC); !gaikuPath.empty()) {
      const int saved = GaikuRecSave(staged_.Stage(gaikuPath).c_str());
      if (saved < 0) {
        out.Error("#9 地番街区符号ファイルの更新ができません。n = %d\n", {saved});
        return false;
      }
    }
    // Every file is complete: they replace the DB's files together, in the
    // order they were staged (residences, strings, blocks).
    switch (staged_.Publish()) {
      case -1:
        return true;
      case 0:
        out.Error("#8 ファイルにレコードの書き込みができません。");
        return false;
      case 1:
        out.Error("#12 地番文字列ファイルの書き込みができません。\n");
        return false;
      default:
        out.Error("#9 地番街区符号ファイルの更新ができません。n = %d\n", {-1});
        return false;
    }
  }

  void NoteUnwrittenOutputs(Output& out) override {
    for (const std::string& target : staged_.Pending()) NoteUnwrittenOutput(out, target);
  }

  void CleanUp() override {
    source_.Close();
    jukyoFile_.Abandon();
    strings_.Abandon();
    staged_.Abandon();
  }

 private:
  // The residence file of the DB: its tables become the first tables of the
  // new file.  0 (also when there is none), or the load code of the failing
  // step (-2 open, -3 ID, -4 header, -5 table list, -6 records, -7 a table
  // whose records lie outside the file).
  int LoadResidenceFile(const std::string& path) {
    tables_.assign(1, JukyoTableEntry{});
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
      std::fclose(probe);
    } else {
      FinishLoading();
      return 0;
    }
    DbFileReader reader;
    JukyoRecHeader header{};
    if (const int rc = reader.Open(path.c_str(), format::kJukyoRecId, header, {-2, -4, -3}); rc != 0) return rc;
    if (header.tableCount < 0 || header.recordCount < 0) return -5;
    format::RecordArray<JukyoTableEntry> tables;
    if (const int rc = reader.Read(tables, static_cast<uint32_t>(header.tableCount), -5, -5); rc != 0) return rc;
    format::RecordArray<JukyoRecord> records;
    if (const int rc = reader.Read(records, static_cast<uint32_t>(header.recordCount), -6, -6); rc != 0) return rc;
    for (std::size_t i = 1; i < tables.size(); ++i) {
      const int64_t first = tables[i].firstRecord;
      if (first < 0 || first + tables[i].jukyoCount > static_cast<int64_t>(records.size())) return -7;
    }
    if (tables.size() > 1) tables_.assign(tables.data(), tables.data() + tables.size());
    oldTableCount_ = tables.size();
    oldRecords_.assign(records.data(), records.data() + records.size());
    FinishLoading();
    return 0;
  }

  void FinishLoading() {
    touched_.assign(tables_.size(), 0);
    newCount_.assign(tables_.size(), 0);
    keptRecords_ = 0;
    for (std::size_t i = 1; i < oldTableCount_; ++i) keptRecords_ += tables_[i].jukyoCount;
  }

  void ReaderError(Output& out, const std::string& text) {
    out.Error("Error%s    at : MakeJukyoRecords()\n", {Arg::Raw(text)});
  }

  int MakeJukyoRecords(Output& out, const SourcePath& source) {
    if (!source_.Open(source.path)) {
      ReaderError(out, out.Compose("#16 ファイルを開けません。 : %s\n", {Arg::Path(source.lower)}));
      return kStopped;
    }
    int prefNo = 0;
    const PrefectureCheck check = PrefectureOfFileName(source.lower, &prefNo);
    if (check != PrefectureCheck::kOk) {
      ReaderError(out, out.Compose(check == PrefectureCheck::kBadFormat ? "#20 ファイル名のフォーマットが違います。"
                                                                        : "#21 ファイル名の県コードが範囲外です。",
                                   {}));
      source_.Close();
      return kStopped;
    }
    lineNo_ = 0;
    std::string_view raw;
    while (source_.ReadLine(kLineBytes, &raw)) {
      ++lineNo_;
      if (!AddLine(out, raw, prefNo)) {
        source_.Close();
        return kStopped;
      }
    }
    if (source_.error()) {
      ReaderError(out, out.Compose("#17 ファイルを読み込めません。 : %s\n", {Arg::Path(source.lower)}));
      source_.Close();
      return kReadFailed;
    }
    source_.Close();
    return kReadToEnd;
  }

  // One residence.  False when the file stops (printed).
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

    int32_t blockKey = 0;
    GaikuRecord block{};
    if (!FindBlock(line, aza, f[kBlock], &blockKey, &block)) {
      out.Warn(" Ignored_8 : line num = %d : %s - %s - %s\n",
               {lineNo_, Arg::Sjis(municipality), Arg::Sjis(townText), Arg::Sjis(f[kBlock])});
      return true;
    }
    const std::string_view residence = f[kResidence];
    if (residence.empty()) {
      out.Warn(" Ignored_9 : line num = %d : %s - %s - %s\n",
               {lineNo_, Arg::Sjis(municipality), Arg::Sjis(townText), Arg::Sjis(f[kBlock])});
      return true;
    }

    int32_t residenceKey = 0;
    if (IsAsciiDigits(residence)) {
      residenceKey = ParseInt(residence);
    } else {
      char name[kNameBufferSize];
      krvStrcpy(name, format::kResidenceNamePrefix, kNameBufferSize);
      const std::string text(residence);
      krvStrcat(name, text.c_str(), kNameBufferSize);
      const std::size_t length = std::strlen(name);
      if (length > StringFileBuilder::kMaxNameBytes) {
        ReaderError(out, out.Compose("#26 住居番号テーブルに登録できませんでした。str = %s\n", {Arg::Sjis(residence)}));
        return false;
      }
      // A name stored before (by an earlier run, or for another block) is
      // referred to again, so a second run adds no strings.
      int32_t k = strings_.Find(StringFileBuilder::StoredForm(std::string_view(name, length)));
      if (k == 0) k = strings_.Add(std::string_view(name, length));
      if (k <= 0) {
        ReaderError(out, out.Compose("#25 地番文字列ファイルに登録できませんでした。str = %s\n", {Arg::Sjis(residence)}));
        return false;
      }
      residenceKey = -k;
    }

    const std::size_t table = TableOf(line, aza, blockKey, &block);
    if (newCount_[table] == kMaxTableResidences) {
      ReaderError(out, out.Compose("#26 住居番号テーブルに登録できませんでした。str = %s\n", {Arg::Sjis(residence)}));
      return false;
    }
    try {
      newRecords_.push_back(JukyoRecord{residenceKey, DegreesToArcMs(f[kLatitude]), DegreesToArcMs(f[kLongitude])});
      newTableOf_.push_back(static_cast<int32_t>(table));
    } catch (const std::bad_alloc&) {
      out.Error(kMemoryMessage, {kResidenceBufferBytes});
      stopped_ = true;
      return false;
    }
    ++newCount_[table];
    if (keptRecords_ + newRecords_.size() >= kResidenceLimit) {
      ReaderError(out, out.Compose("#26 レコード数が多すぎます。n = %d  : %s : %s\n",
                                   {static_cast<int>(kResidenceLimit), Arg::Sjis(municipality), Arg::Sjis(townText)}));
      return false;
    }
    return true;
  }

  // The block that column 4 names in the line's town or section: a number,
  // or the name of a named block.  False when the DB has no such block.
  bool FindBlock(const ResolvedLine& line, int32_t aza, std::string_view column, int32_t* key, GaikuRecord* block) {
    if (column.empty()) return false;
    if (IsAsciiDigits(column)) {
      *key = ParseInt(column);
    } else {
      *key = FindNamedBlock(line, aza, StringFileBuilder::StoredForm(column));
      if (*key == 0) return false;
    }
    return GaikuRecGet(line.areaCode, line.townNo, aza, *key, block, nullptr) == 0;
  }

  // The key of the first named block of the table whose name is `name`; 0
  // when none.
  int32_t FindNamedBlock(const ResolvedLine& line, int32_t aza, const std::string& name) {
    const int count = GaikuRecNumRecords(line.areaCode, line.townNo, aza);
    if (count <= 0) return 0;
    keys_.resize(static_cast<std::size_t>(count));
    const int listed = GaikuRecGetList(line.areaCode, line.townNo, aza, keys_.data(), count);
    for (int i = 0; i < listed; ++i) {
      const int32_t key = keys_[static_cast<std::size_t>(i)];
      if (key < 0 && strings_.Get(-key) == name) return key;
    }
    return 0;
  }

  // The table that takes the block's residences of this run: the one this
  // run already filled for it, else its own table (whose old residences
  // are replaced), else a new table that the block is linked to.
  std::size_t TableOf(const ResolvedLine& line, int32_t aza, int32_t blockKey, GaikuRecord* block) {
    const uint16_t check = format::JukyoCheckValue(line.areaCode, line.townNo, aza, blockKey);
    const int32_t index = block->jukyoIndex;
    if (index > 0 && static_cast<std::size_t>(index) < tables_.size() &&
        tables_[static_cast<std::size_t>(index)].checkValue == check) {
      const auto table = static_cast<std::size_t>(index);
      if (touched_[table] == 0) {
        touched_[table] = 1;
        keptRecords_ -= tables_[table].jukyoCount;
      }
      return table;
    }
    const std::size_t table = tables_.size();
    tables_.push_back(JukyoTableEntry{0, check, 0});
    touched_.push_back(1);
    newCount_.push_back(0);
    block->jukyoIndex = static_cast<int32_t>(table);
    GaikuRecPut(line.areaCode, line.townNo, aza, blockKey, block);
    return table;
  }

  // The new residence file: every table in index order, a table this run
  // filled with its new residences in source order, any other with the
  // residences it had.
  bool WriteResidenceFile(Output& out) {
    // Where each filled table's residences start among the new ones.
    std::vector<std::size_t> start(tables_.size(), 0);
    std::size_t sum = 0;
    for (std::size_t i = 0; i < tables_.size(); ++i) {
      start[i] = sum;
      if (touched_[i] != 0) sum += newCount_[i];
    }
    std::vector<JukyoRecord> byTable(newRecords_.size());
    {
      std::vector<std::size_t> next = start;
      for (std::size_t r = 0; r < newRecords_.size(); ++r) {
        byTable[next[static_cast<std::size_t>(newTableOf_[r])]++] = newRecords_[r];
      }
    }
    std::vector<JukyoTableEntry> entries(tables_.size(), JukyoTableEntry{});
    int64_t cursor = 0;
    for (std::size_t i = 1; i < tables_.size(); ++i) {
      entries[i].checkValue = tables_[i].checkValue;
      entries[i].jukyoCount = touched_[i] != 0 ? static_cast<uint16_t>(newCount_[i]) : tables_[i].jukyoCount;
      entries[i].firstRecord = static_cast<int32_t>(cursor);
      cursor += entries[i].jukyoCount;
    }
    const std::size_t tableCount = tables_.size() <= 1 ? 0 : tables_.size();
    JukyoRecHeader header{};
    format::PutId(header.id, format::kJukyoRecId);
    header.version = format::kFormatVersion;
    header.tableCountCopy = header.tableCount = static_cast<int32_t>(tableCount);
    header.recordCount = static_cast<int32_t>(cursor);
    if (!jukyoFile_.Write(header) || !jukyoFile_.Write(entries.data(), tableCount)) {
      out.Error("#7 ファイルにテーブルリストの書き込みができません。");
      return false;
    }
    bool written = true;
    for (std::size_t i = 1; i < tableCount && written; ++i) {
      if (touched_[i] != 0) {
        written = jukyoFile_.Write(byTable.data() + start[i], newCount_[i]);
      } else {
        written = jukyoFile_.Write(oldRecords_.data() + tables_[i].firstRecord, tables_[i].jukyoCount);
      }
    }
    if (!written || !jukyoFile_.Commit()) {
      out.Error("#8 ファイルにレコードの書き込みができません。");
      return false;
    }
    return true;
  }

  // The tables of the new file: those of the DB's residence file (the first
  // oldTableCount_, entry 0 included), then those this run adds.  A touched
  // table takes this run's residences in place of its old ones.
  std::vector<JukyoTableEntry> tables_;
  std::size_t oldTableCount_ = 0;
  std::vector<JukyoRecord> oldRecords_;
  std::vector<uint8_t> touched_;
  std::vector<uint32_t> newCount_;
  std::size_t keptRecords_ = 0;
  // The residences of this run in source order, with their tables.
  std::vector<JukyoRecord> newRecords_;
  std::vector<int32_t> newTableOf_;
  std::vector<int32_t> keys_;
  StringFileBuilder strings_;
  bool stopped_ = false;

  std::string jukyoTarget_;
  DbFileWriter jukyoFile_;
  StagedFiles staged_;

  LineReader source_;
  int lineNo_ = 0;
};

}  // namespace

int RunHousebuild(const std::vector<std::string>& args, Output& out) {
  HouseBuild tool;
  return RunFrame(kHousebuildFrame, tool, args, out);
}

}  // namespace krv::tool
