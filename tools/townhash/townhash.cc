#include "townhash.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string_view>

#include "db_file.h"
#include "fields.h"
#include "frame.h"
#include "kurovia.h"
#include "variation.h"

namespace krv::tool {
namespace {

using format::ChoHashEntry;
using format::ChoHashHeader;
using format::DbFileWriter;
using format::RecordArray;

constexpr double kDefaultFactor = 2.0;
// Entries of all areas; entry 0 stays empty and the 399,999th fills the
// table.
constexpr std::size_t kEntryCapacity = 400000;
// The block area holds factor * 400,000 slots.  Positions are stored in
// u32 units and its size in bytes, so it never exceeds 2^30 slots.
constexpr double kBlockSlotsPerFactor = 400000.0;
constexpr double kMaxBlockSlots = 1073741823.0;
constexpr std::size_t kMaxNameBytes = 29;

class TownHash : public VariantSink {
 public:
  TownHash(Output& out, double factor, const VariationList& variations)
      : out_(out), factor_(factor), expander_(variations) {}

  void Run(DbFileWriter& file) {
    blockLimit_ = std::min(std::floor(factor_ * kBlockSlotsPerFactor), kMaxBlockSlots);
    // Insert clears each entry it fills, so only the empty entry 0 is
    // cleared here: the pages of the unused rest are never touched.
    if (!entries_.Allocate(kEntryCapacity) || !Grow(1)) {
      Fail(out_.Compose("#1 :  Memory allocate error.", {}));
      return;
    }
    std::memset(&entries_[0], 0, sizeof entries_[0]);
    areaTable_.assign(format::kAreaTableSize, 0);
    for (int32_t code = format::kAreaCodeMin; code < format::kAreaCodeLimit; ++code) {
      const int count = ChoRecNumRecords(code);
      if (count <= 0) continue;
      if (!BuildArea(code, count)) return;
    }
    // No entry: nothing is written, and the DB keeps its earlier hash file.
    if (next_ == 1) return;
    const int entryCount = static_cast<int>(next_);
    out_.Info(" Number of buckets = %d\n", {entryCount});
    out_.Info(" Number of collisions = %d\n", {collisions_});
    out_.Info(" Mean collision rate = %.1f\n", {static_cast<double>(collisions_) / entryCount + 1});
    out_.Info(" Maximum number of collisons = %d  at cityCode = %d\n", {maxStep_, maxStepArea_});
    Write(file);
  }

  bool Insert(const char* name) override {
    if (next_ >= kEntryCapacity) return false;
    const auto index = static_cast<uint32_t>(next_);
    ChoHashEntry& entry = entries_[index];
    std::memset(&entry, 0, sizeof entry);
    krvStrcpy(entry.name, name, static_cast<int>(kMaxNameBytes + 1));
    entry.townNo = townNo_;
    const uint32_t bucket = format::ChoHashKey(name, std::strlen(name)) % bucketCount_;
    uint32_t& head = blocks_[headsAt_ + bucket];
    if (head == 0) {
      head = index;
    } else {
      // Chains keep insertion order: the new entry goes behind the last.
      const int step = chainLength_[bucket] - 1;
      entries_[tails_[bucket]].next = index;
      ++collisions_;
      if (step > maxStep_) {
        maxStep_ = step;
        maxStepArea_ = areaCode_;
      }
    }
    tails_[bucket] = index;
    ++chainLength_[bucket];
    ++next_;
    return next_ < kEntryCapacity;
  }

 private:
  // The hash block of one area.  False when the build ends.
  bool BuildArea(int32_t code, int townCount) {
    out_.Info("city code = %d", {code});
    areaTable_[static_cast<std::size_t>(code)] = static_cast<uint32_t>(blockEnd_);
    // About `factor` buckets per town, odd and at least one.
    int64_t buckets = static_cast<int64_t>(TruncateToInt(townCount * factor_));
    if (buckets % 2 == 0) ++buckets;
    const double needed = static_cast<double>(blockEnd_) + static_cast<double>(buckets) + 2;
    if (needed > blockLimit_) {
      Fail(out_.Compose("#4 : hash table pos exceeds limit. n = %d\n", {TruncateToInt(needed)}));
      return false;
    }
    const std::size_t position = blockEnd_;
    if (!Grow(position + static_cast<std::size_t>(buckets) + 2)) {
      Fail(out_.Compose("#1 :  Memory allocate error.", {}));
      return false;
    }
    blocks_[position] = static_cast<uint32_t>(code);
    blocks_[position + 1] = static_cast<uint32_t>(buckets);
    headsAt_ = position + 2;
    bucketCount_ = static_cast<uint32_t>(buckets);
    tails_.assign(static_cast<std::size_t>(buckets), 0);
    chainLength_.assign(static_cast<std::size_t>(buckets), 0);
    areaCode_ = code;
    for (int32_t i = 1; i <= townCount; ++i) {
      ChoRecord record{};
      const int got = ChoRecGet(code, i, &record);
      if (got < 0) {
        Fail(out_.Compose("#5 : cho record error. err = %d\n", {got}));
        return false;
      }
      if (record.townNo == 1) continue;  // the area's own record has no name
      char name[sizeof record.name + 1] = {};
      std::memcpy(name, record.name, sizeof record.name);
      if (std::strlen(name) > kMaxNameBytes) {
        Fail(out_.Compose("#5 : name length error. name = %s\n", {Arg::Sjis(name)}));
        return false;
      }
      townNo_ = record.townNo;
      if (!expander_.Expand(name, *this)) {
        Fail(out_.Compose("#6 : bucket number exceeds limit. num = %d\n", {static_cast<int>(next_)}));
        return false;
      }
    }
    out_.Info("  end\n");
    blockEnd_ = position + static_cast<std::size_t>(buckets) + 2;
    return true;
  }

  bool Grow(std::size_t slots) {
    try {
      if (blocks_.size() < slots) blocks_.resize(slots, 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  void Fail(const std::string& text) { out_.Error("Error%s    at : MakeHashTable()\n", {Arg::Raw(text)}); }

  void Write(DbFileWriter& file) {
    ChoHashHeader header{};
    format::PutId(header.id, format::kChoHashId);
    header.version = format::kFormatVersion;
    header.blockAreaBytes = static_cast<uint32_t>(blockEnd_ * sizeof(uint32_t));
    header.entryCount = static_cast<uint32_t>(next_);
    const char* failure = nullptr;
    if (!file.Write(header)) {
      failure = "#7 : hash table header write error.";
    } else if (!file.Write(areaTable_.data(), areaTable_.size())) {
      failure = "#8 : hash table header write error.";
    } else if (!file.Write(blocks_.data(), blockEnd_)) {
      failure = "#9 : hash table write error.";
    } else if (!file.Write(entries_.data(), next_) || !file.Commit()) {
      failure = "#10 : hash bucket write error.";
    }
    if (failure != nullptr) Fail(failure);
  }

  Output& out_;
  double factor_;
  VariantExpander expander_;
  double blockLimit_ = 0;
  std::vector<uint32_t> blocks_;  // the block area; slot 0 stays 0
  std::size_t blockEnd_ = 1;      // next free position
  std::vector<uint32_t> areaTable_;
  RecordArray<ChoHashEntry> entries_;
  std::size_t next_ = 1;

  // The block being filled.
  int32_t areaCode_ = 0;
  int32_t townNo_ = 0;
  std::size_t headsAt_ = 0;
  uint32_t bucketCount_ = 1;
  std::vector<uint32_t> tails_;
  std::vector<int> chainLength_;

  int collisions_ = 0;
  int maxStep_ = 0;
  int32_t maxStepArea_ = 0;
};

}  // namespace

int RunTownhash(const std::vector<std::string>& args, Output& out) {
  if (args.empty()) {
    out.Info(" townhash dbDirPath hashSizeFactor");
    return kExitUsage;
  }
  double factor = kDefaultFactor;
  if (args.size() >= 2) {
    factor = ParseDouble(args[1]);
    if (!(factor > 0)) {
      out.Error(" ハッシュサイズを確認して下さい。： size = %d\n", {TruncateToInt(factor)});
      return out.ExitStatus();
    }
  }
  if (krvDbSetPath(args[0].c_str()) != 0) {
    out.Error("住所DBのパスを設定できません。");
    return out.ExitStatus();
  }
  VariationList variations;
  if (!LoadVariationFile(out, &variations)) return out.ExitStatus();
  const char* recordPath = krvDbFilePath(KRV_FILE_CHO_REC);
  if (recordPath == nullptr) {
    out.Error("町大字レコードファイルのパスを取得できません。");
    return out.ExitStatus();
  }
  const std::string recordFile(recordPath);
  const int loaded = ChoRecLoad(recordFile.c_str());
  if (loaded == -2) {
    out.Error("ファイルを開く事ができません。： recFileName = %s\n", {Arg::Path(recordFile)});
    return out.ExitStatus();
  }
  if (loaded < 0) {
    out.Error("町大字レコードファイルを読み込む事ができません。： recFileName = %s　: code = %d\n",
              {Arg::Path(recordFile), loaded});
    return out.ExitStatus();
  }
  [&] {
    const char* hashPath = krvDbFilePath(KRV_FILE_CHO_HSH);
    if (hashPath == nullptr) {
      out.Error("町大字ハッシュファイルのパスを取得できません。");
      return;
    }
    const std::string hashFile(hashPath);
    DbFileWriter file;
    if (!file.Create(hashFile.c_str())) {
      out.Error("ファイルを作成できません。 :  hashFileName = %s\n", {Arg::Path(hashFile)});
      return;
    }
    TownHash(out, factor, variations).Run(file);
    NoteUnwrittenOutput(out, file);
  }();
  ChoRecEnd();
  return out.ExitStatus();
}

}  // namespace krv::tool
