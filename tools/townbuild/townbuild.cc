#include "townbuild.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "db_file.h"
#include "fields.h"
#include "frame.h"
#include "kurovia.h"
#include "line_reader.h"
#include "sjis_scan.h"

namespace krv::tool {
namespace {

using format::ChoAreaEntry;
using format::ChoRecHeader;
using format::DbFileWriter;
using format::MultiPostEntry;
using format::MultiPostHeader;
using format::PostIndexEntry;
using format::PostIndexHeader;
using format::RecordArray;

// Slots of the town-record table; the 150,000th record ends a file.
constexpr std::size_t kRecordCapacity = 150000;
constexpr std::size_t kMultiPostCapacity = format::kMultiPostCapacity;
constexpr std::size_t kLineBytes = 255;
constexpr std::size_t kReadAheadBytes = 1022;
constexpr std::size_t kFieldCount = 15;
constexpr std::size_t kFieldBytes = 1023;
// Parenthesis texts and multi-postcode texts are built in 1,024-byte
// buffers.
constexpr std::size_t kTextCapacity = 1023;
constexpr std::size_t kMaxNameBytes = 30;
constexpr std::size_t kMaxKanaBytes = 28;
constexpr int32_t kMaxPostalCode = 9999999;
// The multi-postcode texts follow the header and the entry table.
constexpr uint64_t kMultiPostTextStart =
    sizeof(MultiPostHeader) + kMultiPostCapacity * sizeof(MultiPostEntry);
static_assert(kMultiPostTextStart == 80032);

enum Column {
  kAreaCode = 0,
  kPostalCode = 2,
  kKana = 5,
  kName = 8,
  kMultiPostFlag = 9,
  kKoazaFlag = 10,
  kChomeFlag = 11,
};

constexpr uint32_t kFlagChome = 1;
constexpr uint32_t kFlagKoaza = 2;

constexpr std::string_view kBelowHere = "\x88\xC8\x89\xBA\x82\xC9";  // 以下に (以下に掲載がない場合)
constexpr std::string_view kNextTo = "\x8E\x9F\x82\xC9";             // 次に (次に番地がくる場合)
constexpr std::string_view kOpenParen = "\x81\x69";                  // （
constexpr std::string_view kCloseParen = "\x81\x6A";                 // ）
constexpr std::string_view kChiwari = "\x92\x6E\x8A\x84";            // 地割
// Towns of Iwate's 地割 lots: the name is cut before 第 or the first digit
// (第１地割 -> the town itself), the reading before the first digit.  Only
// names that say 地割 before any parenthesis are cut, and only there: by the
// character 地 or 割 alone, 工業団地１条 .. ５条 were all stored as 工業団地; and
// a cut inside "寺子（７０～１８０番地）" left the parenthesis open, so the
// following lines were read as its continuation and lost.
constexpr std::string_view kChiwariNameCut =
    "\x91\xE6\x82\x50\x82\x51\x82\x52\x82\x53\x82\x54\x82\x55\x82\x56\x82\x57\x82\x58";  // 第１..９
constexpr std::string_view kChiwariKanaCut = "123456789";

// Postal-code groups (code / 1000) of the single floors of high-rise
// buildings; their lines are not towns.  1056 stands twice, as it always
// has.
constexpr int32_t kExcludedPostalGroups[] = {9806, 3306, 1006, 1046, 1076, 1056, 1086, 1056,
                                             1066, 1636, 1356, 1506, 1706, 1631, 2206, 2617,
                                             4506, 5316, 5306, 5406, 1057, 2208, 1630};

// Lines of multi-postcode towns that only repeat another line of theirs.
struct DroppedLine {
  int32_t postalCode;
  std::string_view name;
};
constexpr DroppedLine kDroppedLines[] = {
    {9390341, "\x8E\x4F\x83\x50"},  // 三ケ
    {9390351, "\x8C\xCB\x94\x6A"},  // 戸破
};

bool IsExcluded(int32_t postalCode) {
  const int32_t group = postalCode / 1000;
  return std::find(std::begin(kExcludedPostalGroups), std::end(kExcludedPostalGroups), group) !=
         std::end(kExcludedPostalGroups);
}

bool IsDropped(int32_t postalCode, std::string_view name) {
  for (const DroppedLine& d : kDroppedLines) {
    if (d.postalCode == postalCode && d.name == name) return true;
  }
  return false;
}

std::string_view CutAt(std::string_view text, std::size_t position) {
  return position == kNotFound ? text : text.substr(0, position);
}

void AppendNumber(std::string& text, int32_t value) { text.append(std::to_string(value)); }

const FrameConstants kTownbuildFrame = {
    " townbuild dbDirName sourceDirName",
    1,  // krvDbLoad level: the area stores
    "住所DBをメモリにロードできません。 err = %d\n",
    false,
    " 元データのディレクトリ名は255文字以内にして下さい。",
    47,
    "指定されたディレクトリにはファイルがありません。",
    "csv",
    "txt",
    nullptr,
    "元データのファイル名の拡張子は.csvか.txtのどちらかでなければなりません。",
    "---- end   : file name = %s : total records = %d ---- \n",
    false,
};

class TownBuild : public FrameTool {
 public:
  bool Prepare(Output& out) override {
    // Every slot is written whole before it is counted, so the table is not
    // cleared first: a fresh 13 MB clear costs more than the whole read.
    if (!records_.Allocate(kRecordCapacity)) {
      out.Error(" Memory allocate error.");
      return false;
    }
    areaTable_.assign(format::kAreaTableSize, ChoAreaEntry{0, 0});
    multiTable_.assign(kMultiPostCapacity, MultiPostEntry{0, 0});
    postal_.reserve(kRecordCapacity);
    undo_.reserve(format::kAreaTableSize);
    line_.reserve(kLineBytes + 1);
    aheadLine_.reserve(kReadAheadBytes + 1);
    paren_.reserve(kTextCapacity + 1);
    aheadParen_.reserve(kTextCapacity + 1);
    entryText_.reserve(kTextCapacity + 1);
    return true;
  }

  bool OpenEarlyOutputs(Output& out) override {
    const char* choPath = krvDbFilePath(KRV_FILE_CHO_REC);
    if (choPath == nullptr) {
      out.Error("町大字レコードファイルの名称が取得できません。");
      return false;
    }
    if (!choFile_.Create(choPath)) {
      out.Error("町大字レコードファイルを作成できません。 :  recordFileName = %s\n",
                {Arg::Path(choFile_.target())});
      return false;
    }
    const char* postPath = krvDbFilePath(KRV_FILE_POST_IDX);
    if (postPath == nullptr) {
      out.Error("郵便番号インデックスファイルの名称が取得できません。");
      return false;
    }
    if (!postFile_.Create(postPath)) {
      out.Error("郵便番号インデックスファイルを作成できません。 :  FileName = %s\n",
                {Arg::Path(postFile_.target())});
      return false;
    }
    return true;
  }

  bool OpenOutputs(Output& out, SourceType type) override {
    if (type != SourceType::kMain) return true;
    const char* multiPath = krvDbFilePath(KRV_FILE_MULTIPOST_REC);
    if (multiPath == nullptr) {
      out.Error("複数郵便番号レコードファイルの名称が取得できません。");
      return false;
    }
    if (!multiFile_.Create(multiPath) || !multiFile_.Seek(kMultiPostTextStart)) {
      out.Error("ファイルを作成できません。 :  multiPostFileName = %s\n", {Arg::Path(multiFile_.target())});
      return false;
    }
    multiOpen_ = true;
    multiOffset_ = kMultiPostTextStart;
    nextMulti_ = 1;
    return true;
  }

  void ResetCounters() override { total_ = 0; }

  FileCounts ReadFile(Output& out, SourceType type, const SourcePath& source) override {
    // The second source type has no reader: its files add nothing.
    if (type == SourceType::kMain) MakeRecordFile(out, source);
    FileCounts counts;
    counts.count = 1;
    counts.values[0] = static_cast<int>(total_);
    return counts;
  }

  bool WriteOutputs(Output& out) override {
    if (!WriteChoFile()) {
      out.Error("町大字レコードファイル書込みエラー：records to write = %d : ret = %d\n",
                {static_cast<int>(total_), 0});
      return false;
    }
    const int postFailure = WritePostIndex();
    if (postFailure == 1) {
      out.Error("郵便番号インデックスファイル書込みエラー1：ret = %d\n", {0});
      return false;
    }
    if (postFailure == 2) {
      out.Error("郵便番号インデックスファイル書込みエラー2：ret = %d\n", {0});
      return false;
    }
    if (multiOpen_ && !WriteMultiPostTable()) {
      out.Error("複数郵便番号文字列ファイル書込みエラー：ret = %d\n", {0});
      return false;
    }
    // Every file is complete before the first replaces the DB's file, so a
    // failure to finish one leaves all three old files in place.
    if (!choFile_.Finish()) {
      out.Error("町大字レコードファイル書込みエラー：records to write = %d : ret = %d\n",
                {static_cast<int>(total_), 0});
      return false;
    }
    if (!postFile_.Finish()) {
      out.Error("郵便番号インデックスファイル書込みエラー1：ret = %d\n", {0});
      return false;
    }
    if (multiOpen_ && !multiFile_.Finish()) {
      out.Error("複数郵便番号文字列ファイル書込みエラー：ret = %d\n", {0});
      return false;
    }
    if (!choFile_.Commit()) {
      out.Error("町大字レコードファイル書込みエラー：records to write = %d : ret = %d\n",
                {static_cast<int>(total_), 0});
      return false;
    }
    if (!postFile_.Commit()) {
      out.Error("郵便番号インデックスファイル書込みエラー1：ret = %d\n", {0});
      return false;
    }
    if (multiOpen_ && !multiFile_.Commit()) {
      out.Error("複数郵便番号文字列ファイル書込みエラー：ret = %d\n", {0});
      return false;
    }
    return true;
  }

  void NoteUnwrittenOutputs(Output& out) override {
    NoteUnwrittenOutput(out, choFile_);
    NoteUnwrittenOutput(out, postFile_);
    NoteUnwrittenOutput(out, multiFile_);
  }

  void CleanUp() override {
    source_.Close();
    choFile_.Abandon();
    postFile_.Abandon();
    multiFile_.Abandon();
  }

 private:
  // ---- Reading one postal-code list file ----

  void MakeRecordFile(Output& out, const SourcePath& source) {
    if (!source_.Open(source.path)) {
      out.Error("郵便番号CSVファイルを開く事ができません。： csvFileName = %s\n", {Arg::Path(source.lower)});
      return;
    }
    lineNo_ = 0;
    nextSlot_ = total_;
    groupOpen_ = false;
    undo_.clear();
    countedPostal_ = postal_.size();
    std::string_view raw;
    while (source_.ReadLine(kLineBytes, &raw)) {
      ++lineNo_;
      line_.assign(raw.data(), raw.size());
      if (!AddLine(out)) {
        source_.Close();
        return;
      }
    }
    if (source_.error()) {
      FileError(out, out.Compose("#11 : file read error.\n", {}));
      return;
    }
    if (groupOpen_) CloseGroup();
    // Every municipality gets at least its own record, also without lines.
    std::size_t ownRecords = 0;
    for (int32_t code = format::kAreaCodeMin; code < format::kAreaCodeLimit; ++code) {
      ChoAreaEntry& entry = areaTable_[static_cast<std::size_t>(code)];
      if (entry.townCount != 0) continue;
      GyoseiRecord area{};
      if (GyoseiRecGet(code, &area) != 0 || area.kind != KRV_LEVEL_MUNICIPALITY) continue;
      undo_.emplace_back(code, entry);
      entry.townCount = 1;
      entry.firstRecord = static_cast<uint32_t>(nextSlot_);
      PutOwnRecord();
      ++ownRecords;
      if (nextSlot_ == kRecordCapacity) {
        FileError(out, out.Compose("#12 : Record exceeds max number .", {}));
        return;
      }
    }
    if (nextSlot_ == 0) {
      FileError(out, out.Compose("#13 : there is no valid record\n", {}));
      return;
    }
    total_ += ownRecords;
    undo_.clear();
    source_.Close();
  }

  // One source line.  False when the file ends with an error (printed).
  bool AddLine(Output& out) {
    std::string_view f[kFieldCount];
    SplitFields(line_, f, kFieldCount, kFieldBytes, Quotes::kAllButLast);
    std::string_view name = f[kName];
    if (ContainsText(name, kBelowHere) || ContainsText(name, kNextTo)) {
      out.Warn("Ignored: line=%d name=%s\n", {lineNo_, Arg::Sjis(name)});
      return true;
    }
    if (name.empty()) {
      out.Warn(" Name length is 0. m_lineNum = %d\n", {lineNo_});
      return true;
    }
    const int32_t areaCode = ParseInt(f[kAreaCode]);
    if (areaCode < format::kAreaCodeMin || areaCode >= format::kAreaCodeLimit) {
      out.Warn(" City Code is out of range. cityCode = %d  m_lineNum = %d\n", {areaCode, lineNo_});
      return true;
    }
    const int32_t postalCode = ParseInt(f[kPostalCode]);
    if (IsExcluded(postalCode)) {
      out.Warn("Ignored: line=%d post=%d name=%s\n", {lineNo_, postalCode, Arg::Sjis(name)});
      return true;
    }

    if (!groupOpen_ || areaCode != groupArea_) {
      if (groupOpen_) CloseGroup();
      OpenGroup(areaCode);
      if (nextSlot_ == kRecordCapacity) {
        FileError(out, out.Compose("#10 : Record exceeds max number .", {}));
        return false;
      }
      townNo_ = 2;
    } else {
      ++townNo_;
    }

    const int32_t multiPostFlag = ParseInt(f[kMultiPostFlag]);
    std::string_view kana = f[kKana];
    if (multiPostFlag == 0) {
      const std::string_view head = CutAt(name, FindText(name, kOpenParen));
      if (FindText(head, kChiwari) != kNotFound) {
        name = CutAt(name, FindFirstOf(head, kChiwariNameCut));
        const std::string_view kanaHead = CutAt(kana, FindByteChar(kana, '('));
        kana = CutAt(kana, FindFirstOf(kanaHead, kChiwariKanaCut));
      }
    }
    paren_.clear();
    const std::size_t open = FindText(name, kOpenParen);
    if (open != kNotFound) {
      const std::string_view rest = name.substr(open + kOpenParen.size());
      name = name.substr(0, open);
      const int read = ReadParenthesis(rest, paren_);
      if (read < 0) {
        FileError(out, out.Compose("#6: parenthesis parse error. code = %d\n", {read}));
        return false;
      }
    }
    // A name or reading that does not fit the record costs only its own
    // line (the line is reported and takes no town number), never the rest
    // of the file: the national list names buildings longer than a record
    // holds.
    if (name.size() > kMaxNameBytes) {
      SkipLongLine(out, out.Compose("#7: Cho/Oaza name exceeds %d bytes. name = %s\n",
                                    {static_cast<int>(kMaxNameBytes), Arg::Sjis(name)}));
      return true;
    }
    kana = CutAt(kana, FindByteChar(kana, '('));
    if (kana.size() > kMaxKanaBytes) {
      SkipLongLine(out, out.Compose("#8: Kana exceeds %d bytes. name = %s\n",
                                    {static_cast<int>(kMaxKanaBytes), Arg::Sjis(kana)}));
      return true;
    }

    ChoRecord& record = records_[nextSlot_];
    std::memset(&record, 0, sizeof record);
    record.townNo = townNo_;
    std::memcpy(record.name, name.data(), name.size());
    std::memcpy(record.kana, kana.data(), kana.size());
    if (ParseInt(f[kChomeFlag]) != 0) record.flags |= kFlagChome;
    if (ParseInt(f[kKoazaFlag]) != 0) record.flags |= kFlagKoaza;

    if (multiPostFlag != 0) {
      if (IsDropped(postalCode, name)) {
        // The line takes no town number and no slot.
        --townNo_;
        return true;
      }
      const int entry = SaveMultiPostCode(out, areaCode, name, postalCode);
      if (entry < 0) {
        RollBack();
        return false;
      }
      // SaveMultiPostCode has read on; the record is still the one in the
      // slot.
      records_[nextSlot_].postCode = -entry;
    } else {
      record.postCode = postalCode;
      EnterPostalCode(postalCode, areaCode, townNo_);
    }
    ++nextSlot_;
    if (nextSlot_ == kRecordCapacity) {
      FileError(out, out.Compose("#10 : Record exceeds max number .", {}));
      return false;
    }
    return true;
  }

  void OpenGroup(int32_t areaCode) {
    ChoAreaEntry& entry = areaTable_[static_cast<std::size_t>(areaCode)];
    undo_.emplace_back(areaCode, entry);
    entry.firstRecord = static_cast<uint32_t>(nextSlot_);
    groupOpen_ = true;
    groupArea_ = areaCode;
    groupFirst_ = nextSlot_;
    PutOwnRecord();
  }

  void CloseGroup() {
    const std::size_t count = nextSlot_ - groupFirst_;
    areaTable_[static_cast<std::size_t>(groupArea_)].townCount = static_cast<uint32_t>(count);
    total_ += count;
    groupOpen_ = false;
    undo_.clear();
    countedPostal_ = postal_.size();
  }

  // Town 1 of an area: the area's own record, nothing but its number.
  void PutOwnRecord() {
    ChoRecord& own = records_[nextSlot_];
    std::memset(&own, 0, sizeof own);
    own.townNo = 1;
    ++nextSlot_;
  }

  void EnterPostalCode(int32_t postalCode, int32_t areaCode, int32_t townNo) {
    // Code 0 never reaches the index; codes beyond seven digits have no
    // place in it.
    if (postalCode <= 0 || postalCode > kMaxPostalCode) return;
    postal_.push_back(PostIndexEntry{postalCode, areaCode, townNo});
  }

  // A file that ends with an error keeps nothing that was not yet counted:
  // the open group's records are left for the next file, so the area
  // table entries and postal codes that named them go back to what they
  // were, and the written files never point at records that are not there.
  void RollBack() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
      areaTable_[static_cast<std::size_t>(it->first)] = it->second;
    }
    undo_.clear();
    postal_.resize(countedPostal_);
    groupOpen_ = false;
  }

  void SkipLongLine(Output& out, const std::string& text) {
    out.Warn("Error%s    at line number = %d  : MakeRecordFile()\n", {Arg::Raw(text), lineNo_});
    --townNo_;
  }

  void FileError(Output& out, const std::string& text) {
    out.Error("Error%s    at line number = %d  : MakeRecordFile()\n", {Arg::Raw(text), lineNo_});
    RollBack();
    source_.Close();
  }

  // The text inside a town name's parentheses, from `rest` (the text right
  // after "（") into `text`, over as many following lines as it takes to
  // reach "）"; those lines are consumed.  The number of lines read, or -1
  // end of file, -2 read error, -3 to -5 the text reaches the capacity.
  int ReadParenthesis(std::string_view rest, std::string& text) {
    const std::size_t close = FindText(rest, kCloseParen);
    if (close != kNotFound) {
      if (close >= kTextCapacity) return -3;
      text.assign(rest.substr(0, close));
      return 0;
    }
    if (rest.size() >= kTextCapacity) return -4;
    text.assign(rest);
    int linesRead = 0;
    for (;;) {
      std::string_view raw;
      if (!source_.ReadLine(kLineBytes, &raw)) return source_.error() ? -2 : -1;
      ++lineNo_;
      ++linesRead;
      std::string_view f[kFieldCount];
      SplitFields(raw, f, kFieldCount, kFieldBytes, Quotes::kAllButLast);
      const std::size_t end = FindText(f[kName], kCloseParen);
      const std::string_view part = CutAt(f[kName], end);
      if (part.size() + text.size() >= kTextCapacity) return -5;
      text.append(part);
      if (end != kNotFound) return linesRead;
    }
  }

  // ---- Towns with several postal codes ----

  // Writes the multi-postcode entry of the town whose first line is the
  // current one, reading on over the following lines of the same town.
  // Returns the entry number, or -1 after printing the failure.
  int SaveMultiPostCode(Output& out, int32_t areaCode, std::string_view name, int32_t postalCode) {
    const auto fail = [&](const std::string& text) {
      out.Error("Error%s    at line number = %d  : SaveMultiPostCode()\n", {Arg::Raw(text), lineNo_});
      return -1;
    };
    const std::size_t n = nextMulti_;
    // A full table stays full: a later file's entries are refused, never
    // written past its end.
    if (n >= kMultiPostCapacity) return fail(out.Compose("#8 : multi post record exceeds limit.", {}));
    multiTable_[n] = MultiPostEntry{townNo_, static_cast<int32_t>(multiOffset_)};
    if (name.size() + paren_.size() + 7 >= kTextCapacity) return fail(out.Compose("#1 : buffer size error.", {}));
    entryText_.assign(name);
    entryText_.push_back(';');
    AppendNumber(entryText_, postalCode);
    entryText_.push_back('>');
    entryText_.append(paren_);
    entryText_.push_back(';');
    if (!WriteMultiText(entryText_)) return fail(out.Compose("#2 : multi post file write error.", {}));
    EnterPostalCode(postalCode, areaCode, townNo_);
    // The town name may be a view into the current line, which stays put.
    const std::string_view townName = name;
    for (;;) {
      const uint64_t position = source_.Tell();
      std::string_view raw;
      if (!source_.ReadLine(kReadAheadBytes, &raw)) {
        if (source_.error()) return fail(out.Compose("#2 : csv read error", {}));
        break;
      }
      ++lineNo_;
      aheadLine_.assign(raw.data(), raw.size());
      std::string_view f[kFieldCount];
      SplitFields(aheadLine_, f, kFieldCount, kFieldBytes, Quotes::kAllButLast);
      const int32_t nextPostal = ParseInt(f[kPostalCode]);
      std::string_view nextName = f[kName];
      const int32_t nextFlag = ParseInt(f[kMultiPostFlag]);
      aheadParen_.clear();
      int continuation = 0;
      const std::size_t open = FindText(nextName, kOpenParen);
      if (open != kNotFound) {
        const std::string_view rest = nextName.substr(open + kOpenParen.size());
        nextName = nextName.substr(0, open);
        continuation = ReadParenthesis(rest, aheadParen_);
        if (continuation < 0) {
          return fail(out.Compose("#3: parenthesis parse error. code = %d\n", {continuation}));
        }
      }
      if (nextName != townName) {
        // Another town: it is read again as a line of its own.
        source_.Seek(position);
        lineNo_ -= 1 + continuation;
        break;
      }
      if (nextFlag == 0) {
        out.Warn("warning : multi-post-code flag is not set. name = %s\n", {Arg::Sjis(nextName)});
      }
      entryText_.clear();
      AppendNumber(entryText_, nextPostal);
      entryText_.push_back('>');
      if (!aheadParen_.empty()) {
        if (aheadParen_.size() + 9 >= kTextCapacity) return fail(out.Compose("#1 : buffer size error.", {}));
        entryText_.append(aheadParen_);
        entryText_.push_back(';');
        if (!WriteMultiText(entryText_)) return fail(out.Compose("#6 : multi post file write error.", {}));
      } else {
        entryText_.push_back(';');
        if (!WriteMultiText(entryText_)) return fail(out.Compose("#5 : multi post file write error.", {}));
      }
      EnterPostalCode(nextPostal, areaCode, townNo_);
    }
    if (!WriteMultiText(std::string_view("\n\0", 2))) {
      return fail(out.Compose("#7 : multi post file write error.", {}));
    }
    ++nextMulti_;
    if (nextMulti_ == kMultiPostCapacity) return fail(out.Compose("#8 : multi post record exceeds limit.", {}));
    return static_cast<int>(n);
  }

  bool WriteMultiText(std::string_view text) {
    if (!multiOpen_ || !multiFile_.WriteBytes(text.data(), text.size())) return false;
    multiOffset_ += text.size();
    return true;
  }

  // ---- Writing the outputs ----

  bool WriteChoFile() {
    ChoRecHeader header{};
    format::PutId(header.id, format::kChoRecId);
    header.version = format::kFormatVersion;
    header.recordCount = static_cast<uint32_t>(total_);
    header.recordSize = sizeof(ChoRecord);
    header.unused40 = format::kChoRecHeaderValue28;
    return choFile_.Write(header) && choFile_.Write(areaTable_.data(), areaTable_.size()) &&
           choFile_.Write(records_.data(), total_);
  }

  // 0, or 1 when the entries and 2 when the header could not be written.
  int WritePostIndex() {
    // The table is read in one ascending sweep; a later line with the same
    // code replaces an earlier one.
    std::stable_sort(postal_.begin(), postal_.end(),
                     [](const PostIndexEntry& a, const PostIndexEntry& b) { return a.postalCode < b.postalCode; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < postal_.size(); ++i) {
      if (i + 1 < postal_.size() && postal_[i + 1].postalCode == postal_[i].postalCode) continue;
      postal_[kept++] = postal_[i];
    }
    postal_.resize(kept);
    PostIndexHeader header{};
    format::PutId(header.id, format::kPostIndexId);
    header.version = format::kFormatVersion;
    header.entryCount = static_cast<int32_t>(postal_.size());
    if (!postFile_.Write(header)) return 2;
    if (!postFile_.Write(postal_.data(), postal_.size())) return 1;
    return 0;
  }

  bool WriteMultiPostTable() {
    MultiPostHeader header{};
    format::PutId(header.id, format::kMultiPostId);
    header.version = static_cast<int32_t>(format::kFormatVersion);
    header.capacity = static_cast<int32_t>(kMultiPostCapacity);
    header.nextFreeEntry = static_cast<int32_t>(nextMulti_);
    return multiFile_.Seek(0) && multiFile_.Write(header) &&
           multiFile_.Write(multiTable_.data(), multiTable_.size());
  }

  // Working tables of the run.
  RecordArray<ChoRecord> records_;
  std::vector<ChoAreaEntry> areaTable_;
  std::vector<PostIndexEntry> postal_;  // in line order; sorted when written
  std::vector<MultiPostEntry> multiTable_;
  std::size_t total_ = 0;
  std::size_t nextMulti_ = 1;

  DbFileWriter choFile_;
  DbFileWriter postFile_;
  DbFileWriter multiFile_;
  bool multiOpen_ = false;
  uint64_t multiOffset_ = 0;

  // State of the file being read.
  LineReader source_;
  int lineNo_ = 0;
  std::size_t nextSlot_ = 0;
  bool groupOpen_ = false;
  int32_t groupArea_ = 0;
  std::size_t groupFirst_ = 0;
  int32_t townNo_ = 0;
  std::vector<std::pair<int32_t, ChoAreaEntry>> undo_;  // area entries changed since the last count
  std::size_t countedPostal_ = 0;
  std::string line_;
  std::string aheadLine_;
  std::string paren_;
  std::string aheadParen_;
  std::string entryText_;
};

}  // namespace

int RunTownbuild(const std::vector<std::string>& args, Output& out) {
  TownBuild tool;
  return RunFrame(kTownbuildFrame, tool, args, out);
}

}  // namespace krv::tool
