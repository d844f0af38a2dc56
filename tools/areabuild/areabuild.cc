#include "areabuild.h"

#include <cstring>
#include <string_view>

#include "area_list.h"
#include "db_file.h"
#include "fields.h"
#include "frame.h"
#include "kurovia.h"
#include "line_reader.h"

namespace krv::tool {
namespace {

using format::DbFileWriter;
using format::GyoseiRecHeader;
using format::RecordArray;

// The records are built in a fixed array; slot 0 is the empty record 0, so
// at most 4,998 areas fit and the 4,999th ends the build.
constexpr std::size_t kRecordCapacity = 5000;
constexpr std::size_t kListFields = 14;
constexpr int kKanaBufferSize = 1024;

enum Column { kLabel, kKindWord, kCode, kCountyCode, kName, kReading, kPointX, kPointY, kValue1, kValue2, kValue3 };

// The code of the group of `width` local numbers, counted from 300, that
// holds `code` (local number 300 or more).
int32_t GroupCode(int32_t code, int32_t width) {
  const int32_t pref = code / 1000;
  const int32_t local = code % 1000;
  return width * ((local - 300) / width) + pref * 1000 + 300;
}

// Subprefecture, county (or designated city) and municipality codes.
void SetParentCodes(int kind, int32_t code, int32_t countyColumn, GyoseiRecord& record) {
  const int32_t pref = code / 1000;
  const int32_t local = code % 1000;
  switch (kind) {
    case KRV_LEVEL_SUBPREF:
      record.subprefCode = code;
      return;
    case KRV_LEVEL_COUNTY:
      // Hokkaido's counties lie in the 30-wide block of their subprefecture.
      if (pref == 1 && code >= 1300) record.subprefCode = GroupCode(code, 30);
      record.countyCode = code;
      return;
    case KRV_LEVEL_MUNICIPALITY:
      break;
    default:
      return;
  }
  record.muniCode = code;
  if (local < 200) {
    // A ward: its designated city (Tokyo's special wards: 13100).  The
    // library knows the cities that lie off the 30-wide grid (Sakai,
    // Sagamihara).
    const int seirei = krvGetSeireiCode(code);
    record.countyCode = seirei >= 0 ? seirei : pref * 1000 + 100 + 30 * ((local - 100) / 30);
  } else if (local < 300) {
    record.countyCode = countyColumn;  // a city: the list names its county, if any
  } else if (pref == 1) {
    record.subprefCode = GroupCode(code, 30);
    record.countyCode = countyColumn;
  } else if (pref == 13 && code >= 13360) {
    record.subprefCode = GroupCode(code, 20);  // the Tokyo islands
    record.countyCode = countyColumn;
  } else if (pref == 47 && code > 47340) {
    // Okinawa's last counties are wider than 20 numbers.
    record.countyCode = code <= 47370 ? 47340 : code <= 47380 ? 47370 : 47380;
  } else {
    record.countyCode = GroupCode(code, 20);
  }
}

void CopyText(char* dst, std::string_view text, int size) {
  const std::string copy(text);
  krvStrcpy(dst, copy.c_str(), size);
}

class AreaBuild {
 public:
  explicit AreaBuild(Output& out) : out_(out) {}

  void Run(LineReader& list, DbFileWriter& file) {
    if (!records_.AllocateZeroed(kRecordCapacity)) {
      out_.Error("通常起こらないエラー：Record number error.");
      return;
    }
    codeTable_.assign(format::kAreaTableSize, 0);
    std::string_view f[kListFields];
    while (ReadAreaListLine(list, f, kListFields)) {
      if (!AddLine(f)) return;
    }
    if (list.error()) {
      out_.ErrorToStderr("ファイルの読み込み中にエラーが起こりました。: %s\n",
                         {Arg::Raw(std::strerror(list.error_number()))});
      return;
    }
    if (next_ == 1) {
      out_.Error("有効なレコードが在りませんでした。");
      return;
    }
    Write(file);
  }

 private:
  // False when the build ends.
  bool AddLine(const std::string_view* f) {
    const int32_t code = ParseInt(f[kCode]);
    const int32_t countyColumn = ParseInt(f[kCountyCode]);
    const int kind = AreaKindOf(f[kKindWord]);
    if (kind == 0) return true;
    if (!AreaNameLengthOk(f[kName])) {
      out_.Warn(" 行政名が２文字未満または９文字を超えています。 line = %s  name = %s\n",
                {Arg::Sjis(f[kLabel]), Arg::Sjis(f[kName])});
      return true;
    }
    if (code < format::kAreaCodeMin || code >= format::kAreaCodeLimit) {
      out_.Warn(" 行政区域コード（JISコード）の値が異常です。line = %d : code = %d\n",
                {ParseInt(f[kLabel]), code});
      return true;
    }
    const std::size_t k = next_;
    // A later line with the same code takes the table entry; the earlier
    // record stays in the file, unreferenced.
    codeTable_[static_cast<std::size_t>(code)] = static_cast<uint32_t>(k);
    GyoseiRecord& record = records_[k];
    std::memset(&record, 0, sizeof record);
    record.kind = kind;
    record.prefNo = code / 1000;
    SetParentCodes(kind, code, countyColumn, record);
    record.value1 = ParseInt(f[kValue1]);
    record.value2 = ParseInt(f[kValue2]);
    record.value3 = ParseInt(f[kValue3]);
    record.extraFlag = record.value1 > 0 ? 1 : 0;
    CopyText(record.name, f[kName], static_cast<int>(sizeof record.name));
    // Readings are kept in half-width katakana and cut at 15 bytes: the
    // record has room for no more.
    char kana[kKanaBufferSize];
    const std::string reading(f[kReading]);
    krvKanaZen2Han(reading.c_str(), kana, kKanaBufferSize);
    krvStrcpy(record.kana, kana, static_cast<int>(sizeof record.kana));
    record.pointX = PackedDmsToMilliseconds(ParseDouble(f[kPointX]));
    record.pointY = PackedDmsToMilliseconds(ParseDouble(f[kPointY]));
    ++next_;
    if (k == kRecordCapacity - 1) {
      out_.Error("通常起こらないエラー：Record number error.");
      return false;
    }
    return true;
  }

  void Write(DbFileWriter& file) {
    GyoseiRecHeader header{};
    format::PutId(header.id, format::kGyoseiRecId);
    header.version = format::kFormatVersion;
    header.recordCount = static_cast<uint32_t>(next_);
    const char* failure = nullptr;
    if (!file.Write(header)) {
      failure = "gyosei header write error.";
    } else if (!file.Write(codeTable_.data(), codeTable_.size())) {
      failure = "record number table write error";
    } else if (!file.Write(records_.data(), next_) || !file.Commit()) {
      failure = "record write error";
    }
    if (failure != nullptr) {
      out_.Error("ファイルの書き込み中にエラーが起こりました。%s\r\n", {Arg::Raw(failure)});
    }
  }

  Output& out_;
  RecordArray<GyoseiRecord> records_;
  std::vector<uint32_t> codeTable_;
  std::size_t next_ = 1;
};

}  // namespace

int32_t PackedDmsToMilliseconds(double packed) {
  const double degrees = static_cast<double>(TruncateToInt(packed * 0.0001));
  const double rest = packed - degrees * 10000;
  const double minutes = static_cast<double>(TruncateToInt(rest * 0.01));
  const double seconds = rest - minutes * 100;
  return TruncateToInt((seconds * (1.0 / 3600) + minutes * (1.0 / 60) + degrees) * 3600000);
}

int RunAreabuild(const std::vector<std::string>& args, Output& out) {
  if (args.empty()) {
    out.Info(" areabuild dbDirName ");
    return kExitUsage;
  }
  const std::string& dbDir = args[0];
  if (krvDbSetPath(dbDir.c_str()) != 0) {
    out.Error("住所DBのパスを設定できません。%s\n", {Arg::Path(dbDir)});
    return out.ExitStatus();
  }
  const char* listPath = krvDbFilePath(KRV_FILE_GYOSEIMEI_CSV);
  if (listPath == nullptr) {
    out.Error("行政区域リストファイルの名称が取得できません。");
    return out.ExitStatus();
  }
  const std::string listFile(listPath);
  LineReader list;
  if (!list.Open(listFile)) {
    out.Error("ファイルを開く事ができません。： listFileName = %s\n", {Arg::Path(listFile)});
    return out.ExitStatus();
  }
  const char* recordPath = krvDbFilePath(KRV_FILE_GYOSEI_REC);
  if (recordPath == nullptr) {
    out.Error("行政区域レコードファイルの名称が取得できません。");
    return out.ExitStatus();
  }
  const std::string recordFile(recordPath);
  // The records go to a temporary file that replaces the old one only when
  // complete: a failed build leaves the DB's earlier file in place.
  DbFileWriter file;
  if (!file.Create(recordFile.c_str())) {
    out.Error("ファイルを作成できません。 :  recordFileName = %s\n", {Arg::Path(recordFile)});
    return out.ExitStatus();
  }
  AreaBuild(out).Run(list, file);
  NoteUnwrittenOutput(out, file);
  return out.ExitStatus();
}

}  // namespace krv::tool
