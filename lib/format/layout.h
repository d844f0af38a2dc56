// On-disk layouts of the address DB files, declared once for the library's
// stores and for the build tools that write the files.
//
// Each layout is a plain struct whose bytes are the file bytes on a
// little-endian host: fixed-width fields only, no padding.  The static_asserts
// pin every size and offset, so a changed field is a compile error and not a
// silently different file.  ByteSwapFields lists every multi-byte field once;
// DbFileReader and DbFileWriter (db_file.h) call it so the same structs serve
// big-endian hosts.
//
// All text fields are Shift-JIS, NUL terminated inside their width.
#ifndef KUROVIA_FORMAT_LAYOUT_H
#define KUROVIA_FORMAT_LAYOUT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kurovia.h"
#include "le_codec.h"

namespace krv::format {

// ---------------------------------------------------------------------------
// Shared constants

// Every binary DB file starts with an 8-byte ID: seven ASCII characters and a
// NUL (eight characters and no NUL in krv_multipost.rec).
inline constexpr std::size_t kIdLength = 8;
// The value every builder writes after the ID.  No loader checks it.
inline constexpr uint32_t kFormatVersion = 1;

// Tables indexed directly by area code (prefecture * 1000 + local number).
inline constexpr int32_t kAreaCodeMin = 1000;
inline constexpr int32_t kAreaCodeLimit = 48000;  // exclusive
inline constexpr std::size_t kAreaTableSize = 48000;

inline constexpr char kGyoseiRecId[] = "gyorecd";
inline constexpr char kGyoseiHashId[] = "gyohash";
inline constexpr char kChoRecId[] = "chorecd";
inline constexpr char kChoHashId[] = "chohash";
inline constexpr char kAzaRecId[] = "azarecd";
inline constexpr char kGaikuRecId[] = "gaikurc";
inline constexpr char kJukyoRecId[] = "jukyorc";
inline constexpr char kStringRecId[] = "stringr";
inline constexpr char kPostIndexId[] = "postidx";
inline constexpr char kMojiIndexId[] = "mojindx";
inline constexpr char kChimei25kRecId[] = "25krecd";
inline constexpr char kChimei25kHashId[] = "25khash";
inline constexpr char kMultiPostId[] = "multpost";  // eight characters, no NUL

// Writes `id` into the first kIdLength bytes of a header (zero-filled).
inline void PutId(char (&dst)[kIdLength], const char* id) {
  std::memset(dst, 0, kIdLength);
  std::memcpy(dst, id, std::min<std::size_t>(std::strlen(id), kIdLength));
}

// True when the NUL-terminated ID at the start of a header equals `id`.  A
// header whose 8 bytes hold no NUL never matches a seven-character ID.
inline bool IdMatches(const char (&header)[kIdLength], const char* id) {
  return std::strncmp(header, id, kIdLength) == 0 &&
         std::memchr(header, '\0', kIdLength) != nullptr;
}

#define KRV_FIELD_AT(T, field, offset) static_assert(offsetof(T, field) == (offset), #T "." #field)

// ---------------------------------------------------------------------------
// Records that reach callers (declared in kurovia.h)

static_assert(sizeof(GyoseiRecord) == 88);
KRV_FIELD_AT(GyoseiRecord, kind, 0);
KRV_FIELD_AT(GyoseiRecord, prefNo, 4);
KRV_FIELD_AT(GyoseiRecord, subprefCode, 8);
KRV_FIELD_AT(GyoseiRecord, countyCode, 12);
KRV_FIELD_AT(GyoseiRecord, muniCode, 16);
KRV_FIELD_AT(GyoseiRecord, extraFlag, 20);
KRV_FIELD_AT(GyoseiRecord, value1, 24);
KRV_FIELD_AT(GyoseiRecord, value2, 28);
KRV_FIELD_AT(GyoseiRecord, value3, 32);
KRV_FIELD_AT(GyoseiRecord, name, 36);
KRV_FIELD_AT(GyoseiRecord, kana, 60);
KRV_FIELD_AT(GyoseiRecord, reserved, 76);
KRV_FIELD_AT(GyoseiRecord, pointX, 80);
KRV_FIELD_AT(GyoseiRecord, pointY, 84);

static_assert(sizeof(ChoRecord) == 88);
KRV_FIELD_AT(ChoRecord, townNo, 0);
KRV_FIELD_AT(ChoRecord, flags, 4);
KRV_FIELD_AT(ChoRecord, name, 8);
KRV_FIELD_AT(ChoRecord, kana, 39);
KRV_FIELD_AT(ChoRecord, postCode, 68);
KRV_FIELD_AT(ChoRecord, azaIndex, 72);
KRV_FIELD_AT(ChoRecord, gaikuIndex, 76);
KRV_FIELD_AT(ChoRecord, pointX, 80);
KRV_FIELD_AT(ChoRecord, pointY, 84);

static_assert(sizeof(AzaRecord) == 80);
KRV_FIELD_AT(AzaRecord, azaKey, 0);
KRV_FIELD_AT(AzaRecord, reserved, 4);
KRV_FIELD_AT(AzaRecord, name, 8);
KRV_FIELD_AT(AzaRecord, kana, 39);
KRV_FIELD_AT(AzaRecord, gaikuIndex, 68);
KRV_FIELD_AT(AzaRecord, pointX, 72);
KRV_FIELD_AT(AzaRecord, pointY, 76);

static_assert(sizeof(GaikuRecord) == 16);
KRV_FIELD_AT(GaikuRecord, gaikuKey, 0);
KRV_FIELD_AT(GaikuRecord, jukyoIndex, 4);
KRV_FIELD_AT(GaikuRecord, pointX, 8);
KRV_FIELD_AT(GaikuRecord, pointY, 12);

static_assert(sizeof(JukyoRecord) == 12);
KRV_FIELD_AT(JukyoRecord, jukyoKey, 0);
KRV_FIELD_AT(JukyoRecord, pointX, 4);
KRV_FIELD_AT(JukyoRecord, pointY, 8);

static_assert(sizeof(MojiRecord) == 16);

static_assert(sizeof(Chimei25kRecord) == 68);
KRV_FIELD_AT(Chimei25kRecord, attr1, 0);
KRV_FIELD_AT(Chimei25kRecord, attr2, 4);
KRV_FIELD_AT(Chimei25kRecord, attr3, 8);
KRV_FIELD_AT(Chimei25kRecord, name, 12);
KRV_FIELD_AT(Chimei25kRecord, pointX, 60);
KRV_FIELD_AT(Chimei25kRecord, pointY, 64);

// Not a file layout, but it crosses the C boundary, so it is pinned as well.
static_assert(sizeof(Chimei25kResult) == 80);
KRV_FIELD_AT(Chimei25kResult, attr1, 0);
KRV_FIELD_AT(Chimei25kResult, attr2, 4);
KRV_FIELD_AT(Chimei25kResult, attr3, 8);
KRV_FIELD_AT(Chimei25kResult, name, 12);
KRV_FIELD_AT(Chimei25kResult, x, 64);
KRV_FIELD_AT(Chimei25kResult, y, 72);

static_assert(sizeof(AdrCode) == 24);

// ---------------------------------------------------------------------------
// krv_gyosei.rec: header, then a 48,000-entry code table (u32 record index
// per area code, 0 = no area), then the records.  Record 0 is all zero and
// never referenced, so index 0 can mean "none".

struct GyoseiRecHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved1;
  uint32_t reserved2;
  uint32_t recordCount;  // N, the empty record 0 included
};
static_assert(sizeof(GyoseiRecHeader) == 24);
KRV_FIELD_AT(GyoseiRecHeader, recordCount, 20);

// krv_gyosei.hsh: header, H bucket heads (u32 entry index), E entries.
// Bucket of a name: its first four bytes as a little-endian u32, modulo H.
struct GyoseiHashHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved;
  uint32_t entryCount;  // E, the empty entry 0 included
  uint32_t hashSize;    // H, at least 1
};
static_assert(sizeof(GyoseiHashHeader) == 24);
KRV_FIELD_AT(GyoseiHashHeader, entryCount, 16);
KRV_FIELD_AT(GyoseiHashHeader, hashSize, 20);

inline constexpr uint32_t kGyoseiHashDefaultSize = 5003;

struct GyoseiHashEntry {
  char name[24];  // area name or a spelling variant, at most 23 bytes
  int32_t areaCode;
  int32_t kind;
  uint32_t next;  // next entry of the bucket, 0 ends the chain
};
static_assert(sizeof(GyoseiHashEntry) == 36);
KRV_FIELD_AT(GyoseiHashEntry, areaCode, 24);
KRV_FIELD_AT(GyoseiHashEntry, kind, 28);
KRV_FIELD_AT(GyoseiHashEntry, next, 32);

// ---------------------------------------------------------------------------
// krv_cho.rec: header, a 48,000-entry area table, then R town records.  The
// records of one area are contiguous: town n of area c is record
// firstRecord(c) + n - 1.

struct ChoRecHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved1;
  uint32_t reserved2;
  uint32_t recordCount;  // R
  uint32_t recordSize;   // 88
  uint32_t unused40;     // 40; written, read by nobody, kept on save
};
static_assert(sizeof(ChoRecHeader) == 32);
KRV_FIELD_AT(ChoRecHeader, recordCount, 20);
KRV_FIELD_AT(ChoRecHeader, recordSize, 24);
KRV_FIELD_AT(ChoRecHeader, unused40, 28);

inline constexpr uint32_t kChoRecHeaderValue28 = 40;

struct ChoAreaEntry {
  uint32_t townCount;    // T(c), 0 for an area without towns
  uint32_t firstRecord;  // F(c)
};
static_assert(sizeof(ChoAreaEntry) == 8);

// krv_cho.hsh: header, a 48,000-entry table of hash-block positions (in u32
// units from the start of the block area, 0 = none), the block area of S
// bytes, then E entries.  A hash block is [area code, G, G bucket heads].
struct ChoHashHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved[4];
  uint32_t blockAreaBytes;  // S, a multiple of 4
  uint32_t entryCount;      // E, the empty entry 0 included
};
static_assert(sizeof(ChoHashHeader) == 36);
KRV_FIELD_AT(ChoHashHeader, blockAreaBytes, 28);
KRV_FIELD_AT(ChoHashHeader, entryCount, 32);

struct ChoHashEntry {
  char name[32];  // town name or a variant, at most 29 bytes
  int32_t townNo;
  uint32_t next;
};
static_assert(sizeof(ChoHashEntry) == 40);
KRV_FIELD_AT(ChoHashEntry, townNo, 32);
KRV_FIELD_AT(ChoHashEntry, next, 36);

// Hash key of a town name: its first four bytes; a one-character (two-byte)
// name is keyed as its two bytes followed by 0xFF 0xFF, so it cannot collide
// with a longer name that starts with the same character.
inline uint32_t ChoHashKey(const char* name, std::size_t length) {
  uint8_t k[4] = {0, 0, 0, 0};
  if (length == 2) {
    k[0] = static_cast<uint8_t>(name[0]);
    k[1] = static_cast<uint8_t>(name[1]);
    k[2] = k[3] = 0xFF;
  } else {
    std::memcpy(k, name, std::min<std::size_t>(length + 1, 4));
  }
  return GetU32(k);
}

// ---------------------------------------------------------------------------
// krv_aza.rec: header, a fixed table of 150,000 section tables, then n
// section records.  Table entry 0 is never used: azaIndex 0 means "none".

inline constexpr std::size_t kAzaTableCapacity = 150000;

struct AzaRecHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved[2];
  int32_t tableCapacity;  // always 150000; written, not used when loading
  int32_t tablesUsed;     // highest table index used + 1
  int32_t recordCount;    // n
};
static_assert(sizeof(AzaRecHeader) == 32);
KRV_FIELD_AT(AzaRecHeader, tableCapacity, 20);
KRV_FIELD_AT(AzaRecHeader, tablesUsed, 24);
KRV_FIELD_AT(AzaRecHeader, recordCount, 28);

struct AzaTableEntry {
  int32_t areaCode;
  int32_t townNo;
  int32_t azaCount;
  int32_t reserved;
  int32_t firstRecord;  // section k is record firstRecord + k - 1
};
static_assert(sizeof(AzaTableEntry) == 20);
KRV_FIELD_AT(AzaTableEntry, azaCount, 8);
KRV_FIELD_AT(AzaTableEntry, firstRecord, 16);

// ---------------------------------------------------------------------------
// krv_gaiku.rec: header, t table-list entries, n block records.

struct GaikuRecHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved[2];
  int32_t tableCountCopy;  // the same value as tableCount; not used when loading
  int32_t tableCount;      // t: highest table index used + 1
  int32_t recordCount;     // n
};
static_assert(sizeof(GaikuRecHeader) == 32);
KRV_FIELD_AT(GaikuRecHeader, tableCountCopy, 20);
KRV_FIELD_AT(GaikuRecHeader, tableCount, 24);
KRV_FIELD_AT(GaikuRecHeader, recordCount, 28);

struct GaikuTableEntry {
  int32_t areaCode;
  int32_t townNo;
  int32_t azaNo;  // 0 for blocks directly under the town
  int32_t gaikuCount;
  int32_t firstRecord;
  int32_t residenceFlag;  // nonzero: 番/号 addressing; 0: lot numbers (番地)
};
static_assert(sizeof(GaikuTableEntry) == 24);
KRV_FIELD_AT(GaikuTableEntry, gaikuCount, 12);
KRV_FIELD_AT(GaikuTableEntry, firstRecord, 16);
KRV_FIELD_AT(GaikuTableEntry, residenceFlag, 20);

// ---------------------------------------------------------------------------
// krv_jukyo.rec: header (same shape as the block file's), t table-list
// entries, n residence records.

using JukyoRecHeader = GaikuRecHeader;

struct JukyoTableEntry {
  uint16_t jukyoCount;
  // (area code + town + section + block key) mod 65536: guards against a
  // block whose jukyoIndex names another block's table.
  uint16_t checkValue;
  int32_t firstRecord;
};
static_assert(sizeof(JukyoTableEntry) == 8);
KRV_FIELD_AT(JukyoTableEntry, checkValue, 2);
KRV_FIELD_AT(JukyoTableEntry, firstRecord, 4);

inline uint16_t JukyoCheckValue(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuKey) {
  const uint32_t sum = static_cast<uint32_t>(areaCode) + static_cast<uint32_t>(townNo) +
                       static_cast<uint32_t>(azaNo) + static_cast<uint32_t>(gaikuKey);
  return static_cast<uint16_t>(sum & 0xFFFFu);
}

// ---------------------------------------------------------------------------
// krv_string.rec: header, then s 16-byte slots.  Reference k (from 1) names
// slot k - 1.  Residence names are stored behind the prefix "＄".

struct StringRecHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved[3];
  int32_t slotSize;     // 16
  int32_t stringCount;  // s
};
static_assert(sizeof(StringRecHeader) == 32);
KRV_FIELD_AT(StringRecHeader, slotSize, 24);
KRV_FIELD_AT(StringRecHeader, stringCount, 28);

struct StringSlot {
  char text[16];  // at most 15 bytes and a NUL, zero-filled
};
static_assert(sizeof(StringSlot) == 16);

inline constexpr char kResidenceNamePrefix[] = "\x81\x90";  // ＄

// ---------------------------------------------------------------------------
// krv_post.idx: header, then n entries sorted by postal code.

struct PostIndexHeader {
  char id[kIdLength];
  uint32_t version;
  uint32_t reserved[4];
  int32_t entryCount;
};
static_assert(sizeof(PostIndexHeader) == 32);
KRV_FIELD_AT(PostIndexHeader, entryCount, 28);

struct PostIndexEntry {
  int32_t postalCode;  // seven digits read as a number: 0600001 -> 600001
  int32_t areaCode;
  int32_t townNo;
};
static_assert(sizeof(PostIndexEntry) == 12);

// ---------------------------------------------------------------------------
// krv_moji.idx: header, a 65,536-entry character table indexed by the two
// Shift-JIS bytes (first + 256 * second), p posting values, r records.

inline constexpr std::size_t kMojiCharTableSize = 65536;

struct MojiIndexHeader {
  char id[kIdLength];
  uint32_t unused[4];
  int32_t postingCount;  // p
  int32_t recordCount;   // r
};
static_assert(sizeof(MojiIndexHeader) == 32);
KRV_FIELD_AT(MojiIndexHeader, postingCount, 24);
KRV_FIELD_AT(MojiIndexHeader, recordCount, 28);

struct MojiCharEntry {
  uint32_t length;  // values of the posting list, its closing 0 included
  uint32_t start;   // position of the first value in the posting area
};
static_assert(sizeof(MojiCharEntry) == 8);

// Character table index of the double-byte character at `p`: its two bytes
// read as a little-endian 16-bit number.
inline uint16_t MojiCharKey(const char* p) { return GetU16(p); }

// ---------------------------------------------------------------------------
// krv_chimei25k.rec and krv_chimei25k.hsh.

struct Chimei25kRecHeader {
  char id[kIdLength];
  uint32_t unused[5];
  int32_t recordCount;
};
static_assert(sizeof(Chimei25kRecHeader) == 32);
KRV_FIELD_AT(Chimei25kRecHeader, recordCount, 28);

struct Chimei25kHashHeader {
  char id[kIdLength];
  uint32_t unused[4];
  uint32_t bucketCount;  // b, never 0 in a valid file
  int32_t entryCount;    // m, entry 0 included
};
static_assert(sizeof(Chimei25kHashHeader) == 32);
KRV_FIELD_AT(Chimei25kHashHeader, bucketCount, 24);
KRV_FIELD_AT(Chimei25kHashHeader, entryCount, 28);

struct Chimei25kHashEntry {
  char name[48];
  int32_t recordNo;
  uint32_t next;
};
static_assert(sizeof(Chimei25kHashEntry) == 56);
KRV_FIELD_AT(Chimei25kHashEntry, recordNo, 48);
KRV_FIELD_AT(Chimei25kHashEntry, next, 52);

// h = h * 3701 + byte over the whole name, unsigned 32-bit.
inline uint32_t Chimei25kHash(const char* name) {
  uint32_t h = 0;
  for (const auto* p = reinterpret_cast<const unsigned char*>(name); *p != 0; ++p) h = h * 3701u + *p;
  return h;
}

// ---------------------------------------------------------------------------
// krv_multipost.rec: header, a 10,000-entry table, then the entry texts.

inline constexpr std::size_t kMultiPostCapacity = 10000;

struct MultiPostHeader {
  char id[kIdLength];  // "multpost", no NUL
  int32_t version;
  int32_t reserved[3];
  int32_t capacity;       // 10000
  int32_t nextFreeEntry;  // number of entries + 1
};
static_assert(sizeof(MultiPostHeader) == 32);
KRV_FIELD_AT(MultiPostHeader, capacity, 24);
KRV_FIELD_AT(MultiPostHeader, nextFreeEntry, 28);

struct MultiPostEntry {
  int32_t townNo;
  int32_t textOffset;  // from the start of the file
};
static_assert(sizeof(MultiPostEntry) == 8);

#undef KRV_FIELD_AT

// ---------------------------------------------------------------------------
// Byte order.  Every multi-byte field of every layout, once.

template <class... F>
inline void SwapAll(F&... fields) {
  (SwapToFileOrder(fields), ...);
}

inline void ByteSwapFields(uint32_t& v) { SwapToFileOrder(v); }
inline void ByteSwapFields(int32_t& v) { SwapToFileOrder(v); }
inline void ByteSwapFields(GyoseiRecord& r) {
  SwapAll(r.kind, r.prefNo, r.subprefCode, r.countyCode, r.muniCode, r.extraFlag, r.value1,
          r.value2, r.value3, r.reserved, r.pointX, r.pointY);
}
inline void ByteSwapFields(ChoRecord& r) {
  SwapAll(r.townNo, r.flags, r.postCode, r.azaIndex, r.gaikuIndex, r.pointX, r.pointY);
}
inline void ByteSwapFields(AzaRecord& r) {
  SwapAll(r.azaKey, r.reserved, r.gaikuIndex, r.pointX, r.pointY);
}
inline void ByteSwapFields(GaikuRecord& r) { SwapAll(r.gaikuKey, r.jukyoIndex, r.pointX, r.pointY); }
inline void ByteSwapFields(JukyoRecord& r) { SwapAll(r.jukyoKey, r.pointX, r.pointY); }
inline void ByteSwapFields(MojiRecord& r) { SwapAll(r.value[0], r.value[1], r.value[2], r.value[3]); }
inline void ByteSwapFields(Chimei25kRecord& r) {
  SwapAll(r.attr1, r.attr2, r.attr3, r.pointX, r.pointY);
}
inline void ByteSwapFields(GyoseiRecHeader& h) {
  SwapAll(h.version, h.reserved1, h.reserved2, h.recordCount);
}
inline void ByteSwapFields(GyoseiHashHeader& h) {
  SwapAll(h.version, h.reserved, h.entryCount, h.hashSize);
}
inline void ByteSwapFields(GyoseiHashEntry& e) { SwapAll(e.areaCode, e.kind, e.next); }
inline void ByteSwapFields(ChoRecHeader& h) {
  SwapAll(h.version, h.reserved1, h.reserved2, h.recordCount, h.recordSize, h.unused40);
}
inline void ByteSwapFields(ChoAreaEntry& e) { SwapAll(e.townCount, e.firstRecord); }
inline void ByteSwapFields(ChoHashHeader& h) {
  SwapAll(h.version, h.reserved[0], h.reserved[1], h.reserved[2], h.reserved[3], h.blockAreaBytes,
          h.entryCount);
}
inline void ByteSwapFields(ChoHashEntry& e) { SwapAll(e.townNo, e.next); }
inline void ByteSwapFields(AzaRecHeader& h) {
  SwapAll(h.version, h.reserved[0], h.reserved[1], h.tableCapacity, h.tablesUsed, h.recordCount);
}
inline void ByteSwapFields(AzaTableEntry& e) {
  SwapAll(e.areaCode, e.townNo, e.azaCount, e.reserved, e.firstRecord);
}
inline void ByteSwapFields(GaikuRecHeader& h) {
  SwapAll(h.version, h.reserved[0], h.reserved[1], h.tableCountCopy, h.tableCount, h.recordCount);
}
inline void ByteSwapFields(GaikuTableEntry& e) {
  SwapAll(e.areaCode, e.townNo, e.azaNo, e.gaikuCount, e.firstRecord, e.residenceFlag);
}
inline void ByteSwapFields(JukyoTableEntry& e) { SwapAll(e.jukyoCount, e.checkValue, e.firstRecord); }
inline void ByteSwapFields(StringRecHeader& h) {
  SwapAll(h.version, h.reserved[0], h.reserved[1], h.reserved[2], h.slotSize, h.stringCount);
}
inline void ByteSwapFields(StringSlot&) {}
inline void ByteSwapFields(PostIndexHeader& h) {
  SwapAll(h.version, h.reserved[0], h.reserved[1], h.reserved[2], h.reserved[3], h.entryCount);
}
inline void ByteSwapFields(PostIndexEntry& e) { SwapAll(e.postalCode, e.areaCode, e.townNo); }
inline void ByteSwapFields(MojiIndexHeader& h) {
  SwapAll(h.unused[0], h.unused[1], h.unused[2], h.unused[3], h.postingCount, h.recordCount);
}
inline void ByteSwapFields(MojiCharEntry& e) { SwapAll(e.length, e.start); }
inline void ByteSwapFields(Chimei25kRecHeader& h) {
  SwapAll(h.unused[0], h.unused[1], h.unused[2], h.unused[3], h.unused[4], h.recordCount);
}
inline void ByteSwapFields(Chimei25kHashHeader& h) {
  SwapAll(h.unused[0], h.unused[1], h.unused[2], h.unused[3], h.bucketCount, h.entryCount);
}
inline void ByteSwapFields(Chimei25kHashEntry& e) { SwapAll(e.recordNo, e.next); }
inline void ByteSwapFields(MultiPostHeader& h) {
  SwapAll(h.version, h.reserved[0], h.reserved[1], h.reserved[2], h.capacity, h.nextFreeEntry);
}
inline void ByteSwapFields(MultiPostEntry& e) { SwapAll(e.townNo, e.textOffset); }

}  // namespace krv::format

#endif  // KUROVIA_FORMAT_LAYOUT_H
