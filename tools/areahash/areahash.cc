#include "areahash.h"

#include <cstring>
#include <new>
#include <string_view>

#include "area_list.h"
#include "db_file.h"
#include "fields.h"
#include "frame.h"
#include "kurovia.h"
#include "line_reader.h"
#include "variation.h"

namespace krv::tool {
namespace {

using format::DbFileWriter;
using format::GyoseiHashEntry;
using format::GyoseiHashHeader;
using format::RecordArray;

// Entry 0 stays empty; the 9,999th entry fills the table.
constexpr std::size_t kEntryCapacity = 10000;
constexpr std::size_t kListFields = 12;

enum Column { kLabel, kKindWord, kCode, kCountyCode, kName };

// Bucket of a name: its first four bytes as a little-endian number.
uint32_t NameKey(const char* name) {
  uint8_t key[4] = {0, 0, 0, 0};
  std::memcpy(key, name, std::min<std::size_t>(std::strlen(name), 4));
  return format::GetU32(key);
}

class AreaHash : public VariantSink {
 public:
  AreaHash(Output& out, uint32_t hashSize, const VariationList& variations)
      : out_(out), hashSize_(hashSize), expander_(variations) {}

  void Run(LineReader& list, DbFileWriter& file) {
    try {
      heads_.assign(hashSize_, 0);
    } catch (const std::bad_alloc&) {
      out_.Error(" Memory allocate error.");
      return;
    }
    if (!entries_.AllocateZeroed(kEntryCapacity)) {
      out_.Error(" Memory allocate error.");
      return;
    }
    std::string_view f[kListFields];
    while (ReadAreaListLine(list, f, kListFields)) {
      const int kind = AreaKindOf(f[kKindWord]);
      if (kind == 0) continue;
      if (!AreaNameLengthOk(f[kName])) {
        out_.Warn(" 行政名が２文字未満または９文字を超えています。 line = %s  name = %s\n",
                  {Arg::Sjis(f[kLabel]), Arg::Sjis(f[kName])});
        continue;
      }
      code_ = ParseInt(f[kCode]);
      kind_ = kind;
      const std::string name(f[kName]);
      if (!expander_.Expand(name.c_str(), *this)) {
        const std::string message =
            out_.Compose("bucket number exceeds limit. num = %d\n", {static_cast<int>(next_)});
        out_.Error("Error : %s\n", {Arg::Raw(message)});
        return;
      }
    }
    if (list.error()) {
      out_.ErrorToStderr("ファイルの読み込み中にエラーが起こりました。: %s\n",
                         {Arg::Raw(std::strerror(list.error_number()))});
      out_.Error("Error : %s\n", {Arg::Raw("file read  error.")});
      return;
    }
    // No entry: nothing is written, and the DB keeps its earlier hash file.
    if (next_ == 1) return;
    Write(file);
  }

  bool Insert(const char* name) override {
    if (next_ >= kEntryCapacity) return false;
    const auto index = static_cast<uint32_t>(next_);
    GyoseiHashEntry& entry = entries_[index];
    std::memset(&entry, 0, sizeof entry);
    krvStrcpy(entry.name, name, static_cast<int>(sizeof entry.name));
    entry.areaCode = code_;
    entry.kind = kind_;
    // New entries go to the end of their chain, so a chain lists names in
    // the order of the list.
    uint32_t& head = heads_[NameKey(name) % hashSize_];
    if (head == 0) {
      head = index;
    } else {
      uint32_t last = head;
      while (entries_[last].next != 0) last = entries_[last].next;
      entries_[last].next = index;
    }
    ++next_;
    return next_ < kEntryCapacity;
  }

 private:
  void Write(DbFileWriter& file) {
    GyoseiHashHeader header{};
    format::PutId(header.id, format::kGyoseiHashId);
    header.version = format::kFormatVersion;
    header.entryCount = static_cast<uint32_t>(next_);
    header.hashSize = hashSize_;
    const char* failure = nullptr;
    if (!file.Write(header)) {
      failure = "gyosei hash header write error.";
    } else if (!file.Write(heads_.data(), heads_.size())) {
      failure = "hash table write error";
    } else if (!file.Write(entries_.data(), next_) || !file.Commit()) {
      failure = "hash bucket write error";
    }
    if (failure != nullptr) out_.Error("Error : %s\n", {Arg::Raw(failure)});
  }

  Output& out_;
  uint32_t hashSize_;
  VariantExpander expander_;
  std::vector<uint32_t> heads_;
  RecordArray<GyoseiHashEntry> entries_;
  std::size_t next_ = 1;
  int32_t code_ = 0;
  int32_t kind_ = 0;
};

}  // namespace

int RunAreahash(const std::vector<std::string>& args, Output& out) {
  if (args.empty()) {
    out.Info(" gyoseihash dbDirName hashSize");
    return kExitUsage;
  }
  int32_t hashSize = static_cast<int32_t>(format::kGyoseiHashDefaultSize);
  if (args.size() >= 2) {
    hashSize = ParseInt(args[1]);
    if (hashSize < 1) {
      out.Error(" ハッシュサイズを確認して下さい。： size = %d\n", {hashSize});
      return out.ExitStatus();
    }
  }
  if (krvDbSetPath(args[0].c_str()) != 0) {
    out.Error("住所DBのパスを設定できません。");
    return out.ExitStatus();
  }
  VariationList variations;
  if (!LoadVariationFile(out, &variations)) return out.ExitStatus();
  const char* listPath = krvDbFilePath(KRV_FILE_GYOSEIMEI_CSV);
  if (listPath == nullptr) {
    out.Error("行政名リストファイルのパスを取得できません。");
    return out.ExitStatus();
  }
  const std::string listFile(listPath);
  LineReader list;
  if (!list.Open(listFile)) {
    out.Error("ファイルを開く事ができません。： listFileName = %s\n", {Arg::Path(listFile)});
    return out.ExitStatus();
  }
  const char* hashPath = krvDbFilePath(KRV_FILE_GYOSEI_HSH);
  if (hashPath == nullptr) {
    out.Error("行政区域名ハッシュテーブルファイルのパスを取得できません。");
    return out.ExitStatus();
  }
  const std::string hashFile(hashPath);
  DbFileWriter file;
  if (!file.Create(hashFile.c_str())) {
    out.Error("ファイルを作成できません。 :  hashFileName = %s\n", {Arg::Path(hashFile)});
    return out.ExitStatus();
  }
  AreaHash(out, static_cast<uint32_t>(hashSize), variations).Run(list, file);
  NoteUnwrittenOutput(out, file);
  return out.ExitStatus();
}

}  // namespace krv::tool
