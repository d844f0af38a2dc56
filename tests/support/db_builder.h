// A small address DB written by a test: declare areas, towns, sections,
// blocks and residences, then write the DB files into a directory.  The files
// are encoded with the same layout declarations the library reads and the
// same rules the build tools follow (hash buckets, chain order, table
// numbering, links between the levels), so a test sees exactly what a built
// DB would give it.
//
//   DbBuilder db;
//   db.Area(13000, 1, "東京都");
//   db.Area(13101, 4, "千代田区").countyCode = 13100;
//   TownRef marunouchi = db.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
//   SectionRef itchome = db.Section(marunouchi, "一丁目");
//   BlockRef block1 = db.Block(itchome, 1);
//   db.Residence(block1, 1);
//   db.Write(dir.str());
//
// All texts are given in UTF-8 and stored in Shift-JIS, cut to their field
// width.  Damaged files are made by patching the written files (PatchU32 and
// the offsets below) or by adjusting the records the builder hands out.
#ifndef KUROVIA_TESTS_SUPPORT_DB_BUILDER_H
#define KUROVIA_TESTS_SUPPORT_DB_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "kurovia.h"

namespace krv::test {

struct TownRef {
  int32_t area;
  int32_t town;
};

struct SectionRef {
  int32_t area;
  int32_t town;
  int32_t aza;
};

// What a block table hangs under: a town without sections (aza 0) or a
// section.
struct BlockParent {
  BlockParent(TownRef t) : area(t.area), town(t.town), aza(0) {}
  BlockParent(SectionRef s) : area(s.area), town(s.town), aza(s.aza) {}
  int32_t area;
  int32_t town;
  int32_t aza;
};

struct BlockRef {
  int32_t area;
  int32_t town;
  int32_t aza;
  int32_t key;       // the block number, or -k for a named block
  int32_t table;     // block table index
  int32_t position;  // place of the block in its table, from 0
};

class DbBuilder {
 public:
  // ---- Areas: krv_gyosei.rec and krv_gyosei.hsh

  // Adds an area record and its name to the area-name hash.  prefNo is code
  // / 1000, and the area's own code goes to subprefCode (kind 2),
  // countyCode (kind 3) or muniCode (kind 4); other parents are 0.  The
  // record can be adjusted through the returned reference until Write.
  GyoseiRecord& Area(int32_t code, int32_t kind, std::string_view name, std::string_view kana = "");
  // Adds a name (a spelling variant, a duplicate) to the area-name hash only,
  // after the names added so far.
  void AreaName(std::string_view name, int32_t code, int32_t kind);
  void SetAreaHashSize(uint32_t buckets) { areaHashSize_ = buckets; }
  uint32_t AreaHashSize() const { return areaHashSize_; }
  // Bucket of a name in the area-name hash (UTF-8 in).
  uint32_t AreaBucket(std::string_view name) const;

  // ---- Towns: krv_cho.rec, krv_cho.hsh and krv_post.idx

  // Adds a named town (town 2, 3, ...); the area's own record, town 1, is
  // made before its first town.
  TownRef Town(int32_t area, std::string_view name, std::string_view kana = "");
  // The area's own record alone (town 1).
  TownRef AreaTown(int32_t area);
  ChoRecord& Record(TownRef town);
  // Adds a spelling variant of a town's name to the town-name hash, right
  // after the name itself.
  void TownName(TownRef town, std::string_view variant);
  // Buckets per town record of an area's hash block (default 2.0).
  void SetTownHashFactor(double factor) { townHashFactor_ = factor; }
  // Position (in 4-byte words) of an area's hash block in the block area, its
  // bucket count G, and the size S of the block area in bytes.
  uint32_t TownHashBlockPosition(int32_t area) const;
  uint32_t TownHashSize(int32_t area) const;
  uint32_t TownHashBlockAreaBytes() const;
  // Adds an entry to the postal-code index.
  void PostCode(int32_t postalCode, TownRef town);

  // ---- Sections: krv_aza.rec

  SectionRef Section(TownRef town, std::string_view name, std::string_view kana = "");
  AzaRecord& Record(SectionRef section);
  // Index of the town's section table (tables are numbered from 1 in the
  // order of their first section).
  int32_t SectionTableIndex(TownRef town) const;
  int32_t SectionTablesUsed() const { return static_cast<int32_t>(sectionTables_.size()) + 1; }

  // ---- Blocks: krv_gaiku.rec and krv_string.rec

  BlockRef Block(BlockParent parent, int32_t key, int32_t pointX = 0, int32_t pointY = 0);
  // A block with a name instead of a number: the name goes to the string
  // file and the key is -k.
  BlockRef NamedBlock(BlockParent parent, std::string_view name, int32_t pointX = 0, int32_t pointY = 0);
  // residenceFlag of the parent's block table (0 until set).
  void ResidenceFlag(BlockParent parent, int32_t flag);
  GaikuRecord& Record(const BlockRef& block);
  int32_t BlockTableIndex(BlockParent parent) const;
  int32_t BlockTableCount() const { return static_cast<int32_t>(blockTables_.size()) + 1; }

  // ---- Residences: krv_jukyo.rec

  // Returns the residence key.
  int32_t Residence(const BlockRef& block, int32_t key, int32_t pointX = 0, int32_t pointY = 0);
  // A residence with a name: "＄" and the name go to the string file; the
  // key is -k.
  int32_t NamedResidence(const BlockRef& block, std::string_view name, int32_t pointX = 0, int32_t pointY = 0);
  int32_t ResidenceTableIndex(const BlockRef& block) const;
  // 0 when there is no residence (as the residence builder writes it), else
  // the number of tables + 1.
  int32_t ResidenceTableCount() const {
    return residenceTables_.empty() ? 0 : static_cast<int32_t>(residenceTables_.size()) + 1;
  }

  // ---- Strings: krv_string.rec

  // Appends a string (UTF-8 in, at most 15 bytes of Shift-JIS kept) and
  // returns its reference k.  Named blocks and residences call it.
  int32_t AddString(std::string_view text);
  int32_t StringCount() const { return static_cast<int32_t>(strings_.size()); }

  // ---- Writing

  // Writes every DB file of the hierarchy into `dir`: krv_gyosei.rec,
  // krv_gyosei.hsh, krv_cho.rec, krv_cho.hsh, krv_post.idx, krv_aza.rec,
  // krv_gaiku.rec, krv_jukyo.rec, and krv_string.rec when a string exists.
  void Write(const std::string& dir) const;

  void WriteGyoseiRec(const std::string& path) const;
  void WriteGyoseiHash(const std::string& path) const;
  void WriteChoRec(const std::string& path) const;
  void WriteChoHash(const std::string& path) const;
  void WritePostIndex(const std::string& path) const;
  void WriteAzaRec(const std::string& path) const;
  void WriteGaikuRec(const std::string& path) const;
  void WriteJukyoRec(const std::string& path) const;
  void WriteStringRec(const std::string& path) const;

 private:
  struct HashName {
    std::string name;  // Shift-JIS
    int32_t code;
    int32_t kind;
  };
  struct TownData {
    ChoRecord record;
    std::vector<std::string> variants;  // Shift-JIS
  };
  struct SectionTable {
    TownRef town;
    std::deque<AzaRecord> records;
  };
  struct BlockTable {
    int32_t area, town, aza;
    int32_t residenceFlag = 0;
    std::deque<GaikuRecord> records;
  };
  struct ResidenceTable {
    BlockRef block;
    std::deque<JukyoRecord> records;
  };
  using BlockKey = std::tuple<int32_t, int32_t, int32_t>;

  BlockTable& TableOf(BlockParent parent);
  ResidenceTable& ResidenceTableOf(const BlockRef& block);
  std::deque<TownData>& TownsOf(int32_t area);

  std::deque<GyoseiRecord> areaRecords_;
  std::map<int32_t, uint32_t> areaIndex_;  // code -> record index (from 1)
  std::vector<HashName> areaNames_;
  uint32_t areaHashSize_ = 5003;

  std::map<int32_t, std::deque<TownData>> towns_;
  double townHashFactor_ = 2.0;
  std::map<int32_t, TownRef> postCodes_;

  std::deque<SectionTable> sectionTables_;
  std::map<std::pair<int32_t, int32_t>, int32_t> sectionTableIndex_;

  std::deque<BlockTable> blockTables_;
  std::map<BlockKey, int32_t> blockTableIndex_;

  std::deque<ResidenceTable> residenceTables_;
  std::map<std::pair<int32_t, int32_t>, int32_t> residenceTableIndex_;  // (block table, position)

  std::vector<std::string> strings_;  // Shift-JIS
};

// Byte offsets inside the written files, for tests that damage them.
namespace offsets {
std::size_t GyoseiCodeEntryAt(int32_t areaCode);
std::size_t GyoseiRecordAt(uint32_t index);
std::size_t GyoseiHashHeadAt(uint32_t bucket);
std::size_t GyoseiHashEntryAt(uint32_t hashSize, uint32_t index);
std::size_t ChoAreaEntryAt(int32_t areaCode);
std::size_t ChoRecordAt(uint32_t index);
std::size_t ChoHashPositionAt(int32_t areaCode);
std::size_t ChoHashWordAt(uint32_t word);
std::size_t ChoHashEntryAt(uint32_t blockAreaBytes, uint32_t index);
std::size_t AzaTableEntryAt(int32_t index);
std::size_t AzaRecordAt(int32_t index);
std::size_t GaikuTableEntryAt(int32_t index);
std::size_t GaikuRecordAt(int32_t tableCount, int32_t index);
std::size_t JukyoTableEntryAt(int32_t index);
std::size_t JukyoRecordAt(int32_t tableCount, int32_t index);
std::size_t StringSlotAt(int32_t ref);
}  // namespace offsets

// Overwrites bytes of a file in place.
void PatchBytes(const std::string& path, std::size_t offset, std::string_view bytes);
void PatchU32(const std::string& path, std::size_t offset, uint32_t value);
inline void PatchI32(const std::string& path, std::size_t offset, int32_t value) {
  PatchU32(path, offset, static_cast<uint32_t>(value));
}
// Cuts a file to `size` bytes.
void TruncateFile(const std::string& path, std::size_t size);

}  // namespace krv::test

#endif  // KUROVIA_TESTS_SUPPORT_DB_BUILDER_H
