#include "db_builder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "db_file.h"
#include "layout.h"
#include "test_support.h"

namespace krv::test {
namespace {

namespace fmt = krv::format;

template <std::size_t N>
void CopyText(char (&field)[N], std::string_view sjis) {
  std::memset(field, 0, N);
  std::memcpy(field, sjis.data(), std::min(sjis.size(), N - 1));
}

// Writes a DB file through the same writer the library's Save functions use.
class FileOut {
 public:
  explicit FileOut(const std::string& path) : path_(path) {
    if (!writer_.Create(path.c_str())) throw std::runtime_error("cannot create " + path);
  }
  template <class T>
  FileOut& Put(const T& item) {
    return Put(&item, 1);
  }
  template <class T>
  FileOut& Put(const T* items, std::size_t count) {
    if (!writer_.Write(items, count)) throw std::runtime_error("cannot write " + path_);
    return *this;
  }
  template <class T>
  FileOut& Put(const std::vector<T>& items) {
    return Put(items.data(), items.size());
  }
  void Commit() {
    if (!writer_.Commit()) throw std::runtime_error("cannot finish " + path_);
  }

 private:
  std::string path_;
  fmt::DbFileWriter writer_;
};

template <class Header>
Header NewHeader(const char* id) {
  Header header{};
  fmt::PutId(header.id, id);
  header.version = fmt::kFormatVersion;
  return header;
}

uint32_t AreaHashKey(const std::string& sjis) {
  char name[sizeof fmt::GyoseiHashEntry::name];
  CopyText(name, sjis);
  return fmt::GetU32(name);
}

// Appends entry `index` to the chain of `bucket`: the head when the bucket
// is empty, else behind the chain's last entry.
template <class Entry>
void Chain(std::vector<uint32_t>& heads, std::size_t bucket, std::vector<Entry>& entries, uint32_t index) {
  if (heads[bucket] == 0) {
    heads[bucket] = index;
    return;
  }
  uint32_t last = heads[bucket];
  while (entries[last].next != 0) last = entries[last].next;
  entries[last].next = index;
}

}  // namespace

// ---------------------------------------------------------------------------
// Areas

GyoseiRecord& DbBuilder::Area(int32_t code, int32_t kind, std::string_view name, std::string_view kana) {
  GyoseiRecord& record = areaRecords_.emplace_back();
  std::memset(&record, 0, sizeof record);
  record.kind = kind;
  record.prefNo = code / 1000;
  if (kind == 2) record.subprefCode = code;
  if (kind == 3) record.countyCode = code;
  if (kind == 4) record.muniCode = code;
  CopyText(record.name, Sjis(name));
  CopyText(record.kana, Sjis(kana));
  areaIndex_[code] = static_cast<uint32_t>(areaRecords_.size());  // record 0 stays empty
  AreaName(name, code, kind);
  return record;
}

void DbBuilder::AreaName(std::string_view name, int32_t code, int32_t kind) {
  areaNames_.push_back({Sjis(name), code, kind});
}

uint32_t DbBuilder::AreaBucket(std::string_view name) const { return AreaHashKey(Sjis(name)) % areaHashSize_; }

void DbBuilder::WriteGyoseiRec(const std::string& path) const {
  auto header = NewHeader<fmt::GyoseiRecHeader>(fmt::kGyoseiRecId);
  header.recordCount = static_cast<uint32_t>(areaRecords_.size() + 1);
  std::vector<uint32_t> codeTable(fmt::kAreaTableSize, 0);
  for (const auto& [code, index] : areaIndex_) codeTable.at(static_cast<std::size_t>(code)) = index;
  std::vector<GyoseiRecord> records(1);
  std::memset(records.data(), 0, sizeof(GyoseiRecord));
  records.insert(records.end(), areaRecords_.begin(), areaRecords_.end());
  FileOut out(path);
  out.Put(header).Put(codeTable).Put(records).Commit();
}

void DbBuilder::WriteGyoseiHash(const std::string& path) const {
  std::vector<uint32_t> heads(areaHashSize_, 0);
  std::vector<fmt::GyoseiHashEntry> entries(1);
  std::memset(entries.data(), 0, sizeof(fmt::GyoseiHashEntry));
  for (const HashName& n : areaNames_) {
    fmt::GyoseiHashEntry entry{};
    CopyText(entry.name, n.name);
    entry.areaCode = n.code;
    entry.kind = n.kind;
    entry.next = 0;
    entries.push_back(entry);
    Chain(heads, AreaHashKey(n.name) % areaHashSize_, entries, static_cast<uint32_t>(entries.size() - 1));
  }
  auto header = NewHeader<fmt::GyoseiHashHeader>(fmt::kGyoseiHashId);
  header.entryCount = static_cast<uint32_t>(entries.size());
  header.hashSize = areaHashSize_;
  FileOut out(path);
  out.Put(header).Put(heads).Put(entries).Commit();
}

// ---------------------------------------------------------------------------
// Towns

std::deque<DbBuilder::TownData>& DbBuilder::TownsOf(int32_t area) {
  std::deque<TownData>& towns = towns_[area];
  if (towns.empty()) {
    TownData& own = towns.emplace_back();
    std::memset(&own.record, 0, sizeof own.record);
    own.record.townNo = 1;
  }
  return towns;
}

TownRef DbBuilder::Town(int32_t area, std::string_view name, std::string_view kana) {
  std::deque<TownData>& towns = TownsOf(area);
  TownData& town = towns.emplace_back();
  std::memset(&town.record, 0, sizeof town.record);
  town.record.townNo = static_cast<int32_t>(towns.size());
  CopyText(town.record.name, Sjis(name));
  CopyText(town.record.kana, Sjis(kana));
  return {area, town.record.townNo};
}

TownRef DbBuilder::AreaTown(int32_t area) {
  TownsOf(area);
  return {area, 1};
}

ChoRecord& DbBuilder::Record(TownRef town) {
  return towns_.at(town.area).at(static_cast<std::size_t>(town.town - 1)).record;
}

void DbBuilder::TownName(TownRef town, std::string_view variant) {
  towns_.at(town.area).at(static_cast<std::size_t>(town.town - 1)).variants.push_back(Sjis(variant));
}

void DbBuilder::PostCode(int32_t postalCode, TownRef town) { postCodes_[postalCode] = town; }

void DbBuilder::WriteChoRec(const std::string& path) const {
  std::vector<fmt::ChoAreaEntry> areas(fmt::kAreaTableSize, fmt::ChoAreaEntry{0, 0});
  std::vector<ChoRecord> records;
  for (const auto& [area, towns] : towns_) {
    areas.at(static_cast<std::size_t>(area)) = {static_cast<uint32_t>(towns.size()),
                                                static_cast<uint32_t>(records.size())};
    for (const TownData& town : towns) {
      ChoRecord record = town.record;
      if (auto it = sectionTableIndex_.find({area, record.townNo}); it != sectionTableIndex_.end()) {
        record.azaIndex = it->second;
      }
      if (auto it = blockTableIndex_.find({area, record.townNo, 0}); it != blockTableIndex_.end()) {
        record.gaikuIndex = it->second;
      }
      records.push_back(record);
    }
  }
  auto header = NewHeader<fmt::ChoRecHeader>(fmt::kChoRecId);
  header.recordCount = static_cast<uint32_t>(records.size());
  header.recordSize = sizeof(ChoRecord);
  header.unused40 = fmt::kChoRecHeaderValue28;
  FileOut out(path);
  out.Put(header).Put(areas).Put(records).Commit();
}

uint32_t DbBuilder::TownHashSize(int32_t area) const {
  const std::size_t townCount = towns_.at(area).size();
  auto size = static_cast<uint32_t>(static_cast<double>(townCount) * townHashFactor_);
  return size % 2 == 0 ? size + 1 : size;
}

uint32_t DbBuilder::TownHashBlockPosition(int32_t area) const {
  uint32_t position = 1;  // word 0 of the block area stays unused
  for (const auto& [code, towns] : towns_) {
    if (code == area) return position;
    position += TownHashSize(code) + 2;
  }
  throw std::out_of_range("area without towns");
}

uint32_t DbBuilder::TownHashBlockAreaBytes() const {
  uint32_t words = 1;
  for (const auto& entry : towns_) words += TownHashSize(entry.first) + 2;
  return words * 4;
}

void DbBuilder::WriteChoHash(const std::string& path) const {
  std::vector<uint32_t> positions(fmt::kAreaTableSize, 0);
  std::vector<uint32_t> blocks(TownHashBlockAreaBytes() / 4, 0);
  std::vector<fmt::ChoHashEntry> entries(1);
  std::memset(entries.data(), 0, sizeof(fmt::ChoHashEntry));
  for (const auto& [area, towns] : towns_) {
    const uint32_t p = TownHashBlockPosition(area);
    const uint32_t g = TownHashSize(area);
    positions.at(static_cast<std::size_t>(area)) = p;
    blocks.at(p) = static_cast<uint32_t>(area);
    blocks.at(p + 1) = g;
    // The block's bucket heads, as a separate array for Chain.
    std::vector<uint32_t> heads(g, 0);
    for (const TownData& town : towns) {
      if (town.record.townNo == 1) continue;
      std::vector<std::string> names{std::string(town.record.name)};
      names.insert(names.end(), town.variants.begin(), town.variants.end());
      for (const std::string& name : names) {
        fmt::ChoHashEntry entry{};
        CopyText(entry.name, name.substr(0, 29));
        entry.townNo = town.record.townNo;
        entry.next = 0;
        entries.push_back(entry);
        const uint32_t key = fmt::ChoHashKey(entry.name, std::strlen(entry.name));
        Chain(heads, key % g, entries, static_cast<uint32_t>(entries.size() - 1));
      }
    }
    std::copy(heads.begin(), heads.end(), blocks.begin() + p + 2);
  }
  auto header = NewHeader<fmt::ChoHashHeader>(fmt::kChoHashId);
  header.blockAreaBytes = static_cast<uint32_t>(blocks.size() * 4);
  header.entryCount = static_cast<uint32_t>(entries.size());
  FileOut out(path);
  out.Put(header).Put(positions).Put(blocks).Put(entries).Commit();
}

void DbBuilder::WritePostIndex(const std::string& path) const {
  std::vector<fmt::PostIndexEntry> entries;
  for (const auto& [code, town] : postCodes_) entries.push_back({code, town.area, town.town});
  auto header = NewHeader<fmt::PostIndexHeader>(fmt::kPostIndexId);
  header.entryCount = static_cast<int32_t>(entries.size());
  FileOut out(path);
  out.Put(header).Put(entries).Commit();
}

// ---------------------------------------------------------------------------
// Sections

SectionRef DbBuilder::Section(TownRef town, std::string_view name, std::string_view kana) {
  Record(town);  // the town must exist
  auto [it, added] = sectionTableIndex_.try_emplace({town.area, town.town},
                                                    static_cast<int32_t>(sectionTables_.size()) + 1);
  if (added) sectionTables_.push_back({town, {}});
  SectionTable& table = sectionTables_.at(static_cast<std::size_t>(it->second - 1));
  AzaRecord& record = table.records.emplace_back();
  std::memset(&record, 0, sizeof record);
  const auto azaNo = static_cast<int32_t>(table.records.size());
  record.azaKey = town.town * 65536 + azaNo;
  CopyText(record.name, Sjis(name));
  CopyText(record.kana, Sjis(kana));
  return {town.area, town.town, azaNo};
}

AzaRecord& DbBuilder::Record(SectionRef section) {
  const int32_t index = sectionTableIndex_.at({section.area, section.town});
  return sectionTables_.at(static_cast<std::size_t>(index - 1)).records.at(static_cast<std::size_t>(section.aza - 1));
}

int32_t DbBuilder::SectionTableIndex(TownRef town) const { return sectionTableIndex_.at({town.area, town.town}); }

void DbBuilder::WriteAzaRec(const std::string& path) const {
  std::vector<fmt::AzaTableEntry> tables(fmt::kAzaTableCapacity, fmt::AzaTableEntry{0, 0, 0, 0, 0});
  std::vector<AzaRecord> records;
  for (std::size_t i = 0; i < sectionTables_.size(); ++i) {
    const SectionTable& table = sectionTables_[i];
    tables.at(i + 1) = {table.town.area, table.town.town, static_cast<int32_t>(table.records.size()), 0,
                        static_cast<int32_t>(records.size())};
    // Records of a deque are not contiguous: the section number is counted,
    // not taken from addresses.
    for (std::size_t k = 0; k < table.records.size(); ++k) {
      AzaRecord record = table.records[k];
      const auto azaNo = static_cast<int32_t>(k) + 1;
      if (auto it = blockTableIndex_.find({table.town.area, table.town.town, azaNo}); it != blockTableIndex_.end()) {
        record.gaikuIndex = it->second;
      }
      records.push_back(record);
    }
  }
  auto header = NewHeader<fmt::AzaRecHeader>(fmt::kAzaRecId);
  header.tableCapacity = static_cast<int32_t>(fmt::kAzaTableCapacity);
  header.tablesUsed = SectionTablesUsed();
  header.recordCount = static_cast<int32_t>(records.size());
  FileOut out(path);
  out.Put(header).Put(tables).Put(records).Commit();
}

// ---------------------------------------------------------------------------
// Blocks and strings

DbBuilder::BlockTable& DbBuilder::TableOf(BlockParent parent) {
  auto [it, added] = blockTableIndex_.try_emplace({parent.area, parent.town, parent.aza},
                                                  static_cast<int32_t>(blockTables_.size()) + 1);
  if (added) blockTables_.push_back({parent.area, parent.town, parent.aza, 0, {}});
  return blockTables_.at(static_cast<std::size_t>(it->second - 1));
}

BlockRef DbBuilder::Block(BlockParent parent, int32_t key, int32_t pointX, int32_t pointY) {
  BlockTable& table = TableOf(parent);
  table.records.push_back(GaikuRecord{key, 0, pointX, pointY});
  return {parent.area,
          parent.town,
          parent.aza,
          key,
          blockTableIndex_.at({parent.area, parent.town, parent.aza}),
          static_cast<int32_t>(table.records.size()) - 1};
}

BlockRef DbBuilder::NamedBlock(BlockParent parent, std::string_view name, int32_t pointX, int32_t pointY) {
  return Block(parent, -AddString(name), pointX, pointY);
}

void DbBuilder::ResidenceFlag(BlockParent parent, int32_t flag) { TableOf(parent).residenceFlag = flag; }

GaikuRecord& DbBuilder::Record(const BlockRef& block) {
  return blockTables_.at(static_cast<std::size_t>(block.table - 1)).records.at(static_cast<std::size_t>(block.position));
}

int32_t DbBuilder::BlockTableIndex(BlockParent parent) const {
  return blockTableIndex_.at({parent.area, parent.town, parent.aza});
}

int32_t DbBuilder::AddString(std::string_view text) {
  strings_.push_back(Sjis(text));
  return static_cast<int32_t>(strings_.size());
}

void DbBuilder::WriteGaikuRec(const std::string& path) const {
  std::vector<fmt::GaikuTableEntry> tables(1, fmt::GaikuTableEntry{0, 0, 0, 0, 0, 0});
  std::vector<GaikuRecord> records;
  for (std::size_t i = 0; i < blockTables_.size(); ++i) {
    const BlockTable& table = blockTables_[i];
    tables.push_back({table.area, table.town, table.aza, static_cast<int32_t>(table.records.size()),
                      static_cast<int32_t>(records.size()), table.residenceFlag});
    for (std::size_t position = 0; position < table.records.size(); ++position) {
      GaikuRecord record = table.records[position];
      if (auto it = residenceTableIndex_.find({static_cast<int32_t>(i + 1), static_cast<int32_t>(position)});
          it != residenceTableIndex_.end()) {
        record.jukyoIndex = it->second;
      }
      records.push_back(record);
    }
  }
  auto header = NewHeader<fmt::GaikuRecHeader>(fmt::kGaikuRecId);
  header.tableCount = header.tableCountCopy = static_cast<int32_t>(tables.size());
  header.recordCount = static_cast<int32_t>(records.size());
  FileOut out(path);
  out.Put(header).Put(tables).Put(records).Commit();
}

void DbBuilder::WriteStringRec(const std::string& path) const {
  std::vector<fmt::StringSlot> slots;
  for (const std::string& s : strings_) {
    fmt::StringSlot slot{};
    CopyText(slot.text, s);
    slots.push_back(slot);
  }
  auto header = NewHeader<fmt::StringRecHeader>(fmt::kStringRecId);
  header.slotSize = sizeof(fmt::StringSlot);
  header.stringCount = static_cast<int32_t>(slots.size());
  FileOut out(path);
  out.Put(header).Put(slots).Commit();
}

// ---------------------------------------------------------------------------
// Residences

DbBuilder::ResidenceTable& DbBuilder::ResidenceTableOf(const BlockRef& block) {
  auto [it, added] = residenceTableIndex_.try_emplace({block.table, block.position},
                                                      static_cast<int32_t>(residenceTables_.size()) + 1);
  if (added) residenceTables_.push_back({block, {}});
  return residenceTables_.at(static_cast<std::size_t>(it->second - 1));
}

int32_t DbBuilder::Residence(const BlockRef& block, int32_t key, int32_t pointX, int32_t pointY) {
  ResidenceTableOf(block).records.push_back(JukyoRecord{key, pointX, pointY});
  return key;
}

int32_t DbBuilder::NamedResidence(const BlockRef& block, std::string_view name, int32_t pointX, int32_t pointY) {
  return Residence(block, -AddString("＄" + std::string(name)), pointX, pointY);
}

int32_t DbBuilder::ResidenceTableIndex(const BlockRef& block) const {
  return residenceTableIndex_.at({block.table, block.position});
}

void DbBuilder::WriteJukyoRec(const std::string& path) const {
  std::vector<fmt::JukyoTableEntry> tables;
  std::vector<JukyoRecord> records;
  if (!residenceTables_.empty()) tables.push_back(fmt::JukyoTableEntry{0, 0, 0});
  for (const ResidenceTable& table : residenceTables_) {
    const BlockRef& b = table.block;
    tables.push_back({static_cast<uint16_t>(table.records.size()), fmt::JukyoCheckValue(b.area, b.town, b.aza, b.key),
                      static_cast<int32_t>(records.size())});
    records.insert(records.end(), table.records.begin(), table.records.end());
  }
  auto header = NewHeader<fmt::JukyoRecHeader>(fmt::kJukyoRecId);
  header.tableCount = header.tableCountCopy = static_cast<int32_t>(tables.size());
  header.recordCount = static_cast<int32_t>(records.size());
  FileOut out(path);
  out.Put(header).Put(tables).Put(records).Commit();
}

// ---------------------------------------------------------------------------

void DbBuilder::Write(const std::string& dir) const {
  const auto file = [&dir](const char* name) { return (std::filesystem::path(dir) / name).string(); };
  WriteGyoseiRec(file("krv_gyosei.rec"));
  WriteGyoseiHash(file("krv_gyosei.hsh"));
  WriteChoRec(file("krv_cho.rec"));
  WriteChoHash(file("krv_cho.hsh"));
  WritePostIndex(file("krv_post.idx"));
  WriteAzaRec(file("krv_aza.rec"));
  WriteGaikuRec(file("krv_gaiku.rec"));
  WriteJukyoRec(file("krv_jukyo.rec"));
  if (!strings_.empty()) WriteStringRec(file("krv_string.rec"));
}

// ---------------------------------------------------------------------------

namespace offsets {

std::size_t GyoseiCodeEntryAt(int32_t areaCode) {
  return sizeof(fmt::GyoseiRecHeader) + sizeof(uint32_t) * static_cast<std::size_t>(areaCode);
}
std::size_t GyoseiRecordAt(uint32_t index) {
  return GyoseiCodeEntryAt(static_cast<int32_t>(fmt::kAreaTableSize)) + sizeof(::GyoseiRecord) * index;
}
std::size_t GyoseiHashHeadAt(uint32_t bucket) { return sizeof(fmt::GyoseiHashHeader) + sizeof(uint32_t) * bucket; }
std::size_t GyoseiHashEntryAt(uint32_t hashSize, uint32_t index) {
  return GyoseiHashHeadAt(hashSize) + sizeof(fmt::GyoseiHashEntry) * index;
}
std::size_t ChoAreaEntryAt(int32_t areaCode) {
  return sizeof(fmt::ChoRecHeader) + sizeof(fmt::ChoAreaEntry) * static_cast<std::size_t>(areaCode);
}
std::size_t ChoRecordAt(uint32_t index) {
  return ChoAreaEntryAt(static_cast<int32_t>(fmt::kAreaTableSize)) + sizeof(::ChoRecord) * index;
}
std::size_t ChoHashPositionAt(int32_t areaCode) {
  return sizeof(fmt::ChoHashHeader) + sizeof(uint32_t) * static_cast<std::size_t>(areaCode);
}
std::size_t ChoHashWordAt(uint32_t word) {
  return ChoHashPositionAt(static_cast<int32_t>(fmt::kAreaTableSize)) + sizeof(uint32_t) * word;
}
std::size_t ChoHashEntryAt(uint32_t blockAreaBytes, uint32_t index) {
  return ChoHashWordAt(0) + blockAreaBytes + sizeof(fmt::ChoHashEntry) * index;
}
std::size_t AzaTableEntryAt(int32_t index) {
  return sizeof(fmt::AzaRecHeader) + sizeof(fmt::AzaTableEntry) * static_cast<std::size_t>(index);
}
std::size_t AzaRecordAt(int32_t index) {
  return AzaTableEntryAt(static_cast<int32_t>(fmt::kAzaTableCapacity)) +
         sizeof(::AzaRecord) * static_cast<std::size_t>(index);
}
std::size_t GaikuTableEntryAt(int32_t index) {
  return sizeof(fmt::GaikuRecHeader) + sizeof(fmt::GaikuTableEntry) * static_cast<std::size_t>(index);
}
std::size_t GaikuRecordAt(int32_t tableCount, int32_t index) {
  return GaikuTableEntryAt(tableCount) + sizeof(::GaikuRecord) * static_cast<std::size_t>(index);
}
std::size_t JukyoTableEntryAt(int32_t index) {
  return sizeof(fmt::JukyoRecHeader) + sizeof(fmt::JukyoTableEntry) * static_cast<std::size_t>(index);
}
std::size_t JukyoRecordAt(int32_t tableCount, int32_t index) {
  return JukyoTableEntryAt(tableCount) + sizeof(::JukyoRecord) * static_cast<std::size_t>(index);
}
std::size_t StringSlotAt(int32_t ref) {
  return sizeof(fmt::StringRecHeader) + sizeof(fmt::StringSlot) * static_cast<std::size_t>(ref - 1);
}

}  // namespace offsets

void PatchBytes(const std::string& path, std::size_t offset, std::string_view bytes) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot patch " + path);
}

void PatchU32(const std::string& path, std::size_t offset, uint32_t value) {
  char bytes[4];
  fmt::PutU32(bytes, value);
  PatchBytes(path, offset, std::string_view(bytes, sizeof bytes));
}

void TruncateFile(const std::string& path, std::size_t size) { std::filesystem::resize_file(path, size); }

}  // namespace krv::test
