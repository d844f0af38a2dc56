/*
 * kurovia.h - the C interface of libkurovia, the Japanese address geocoder.
 *
 * An address DB is one directory of binary record and hash files built by the
 * kurovia build tools.  A client loads it to a chosen depth with krvDbLoad,
 * then turns address texts into hierarchical address codes (krvAdrStr2Code),
 * codes back into standard address texts and map points (krvAdrCode2Str,
 * krvAdrCode2Point), walks the hierarchy (krvGetNumAdrRecords and friends)
 * and finally unloads it with krvDbEnd.
 *
 * Conventions
 *  1. Every function returns an int (or a pointer to a library text buffer).
 *     Non-negative means success (a count, a level, 1 for "found"), 0 also
 *     stands for "nothing found" where that is not an error, and small
 *     negative values are failures; each function documents its own table.
 *  2. A store that is not loaded answers -1.  The geocoding functions treat
 *     that as a miss, so the load level decides how deep addresses resolve.
 *  3. All text inside the library is Shift-JIS (code page 932), NUL
 *     terminated.  The address functions krvAdrStr2Code, krvAdrCode2Str,
 *     krvAdrFilter and krvChimei25kSearch take and return text in the
 *     argument encoding chosen with krvSetArgEncoding (Shift-JIS, EUC-JP or
 *     UTF-8); every other function takes Shift-JIS.
 *  4. Output buffers and AdrCode records belong to the caller; sizes are byte
 *     counts of the whole buffer, terminating NUL included.  krvDbFilePath and
 *     krvDbErrorText return a library buffer that the next call of the same
 *     function overwrites.
 *  5. Record files are little-endian with fixed layouts; the record structs
 *     below mirror them byte for byte.
 *  6. The library keeps process-wide state and takes no locks: use it from one
 *     thread at a time, and never load or end the DB while a lookup runs.
 *  7. Coordinates are stored as signed 32-bit milliseconds of arc
 *     (degree * 3,600,000), latitude first and longitude second, and handed
 *     out as double degrees.  0 means "no point".
 */
#ifndef KUROVIA_H
#define KUROVIA_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(KUROVIA_BUILDING)
#define KRV_API __declspec(dllexport)
#else
#define KRV_API __declspec(dllimport)
#endif
#else
#define KRV_API __attribute__((visibility("default")))
#endif

#define KUROVIA_VERSION_MAJOR 0
#define KUROVIA_VERSION_MINOR 1
#define KUROVIA_VERSION_PATCH 0
#define KUROVIA_VERSION "0.1.0"

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------
 * Address code and record shapes
 * ---------------------------------------------------------------------- */

/* Levels of an AdrCode. */
#define KRV_LEVEL_PREFECTURE 1   /* 都道府県 */
#define KRV_LEVEL_SUBPREF 2      /* 支庁 */
#define KRV_LEVEL_COUNTY 3       /* 郡 or designated city */
#define KRV_LEVEL_MUNICIPALITY 4 /* 市区町村 */
#define KRV_LEVEL_TOWN 5         /* 町・大字 */
#define KRV_LEVEL_SECTION 6      /* 丁目・字 */
#define KRV_LEVEL_BLOCK 7        /* 街区・地番 */
#define KRV_LEVEL_RESIDENCE 8    /* 住居番号 */

/* One node of the address hierarchy.  Producers clear it whole, so fields
 * deeper than `level` are 0.  gaikuCode and jukyoCode are the numbers as
 * written; a negative value -k names string k of the DB's string file (a
 * block or residence that has a name instead of a number). */
typedef struct AdrCode {
  int32_t level;      /* 1..8, see KRV_LEVEL_* */
  int32_t gyoseiCode; /* area code: prefecture * 1000 + local number */
  int32_t choCode;    /* town number in the area; 1 = the area itself */
  int32_t azaCode;    /* section number in the town; 0 = none */
  int32_t gaikuCode;  /* block or lot number */
  int32_t jukyoCode;  /* residence number */
} AdrCode;

/* Area record of krv_gyosei.rec (88 bytes). */
typedef struct GyoseiRecord {
  int32_t kind;        /* 1 prefecture, 2 subprefecture, 3 county or designated city, 4 municipality */
  int32_t prefNo;      /* 1..47 */
  int32_t subprefCode; /* containing subprefecture (own code for kind 2), else 0 */
  int32_t countyCode;  /* containing county or designated city (own code for kind 3), else 0 */
  int32_t muniCode;    /* own code for kind 4, else 0 */
  int32_t extraFlag;   /* 1 when value1 > 0 */
  int32_t value1;
  int32_t value2;
  int32_t value3;
  char name[24]; /* Shift-JIS, NUL terminated */
  char kana[16]; /* reading, half-width katakana, at most 15 bytes */
  int32_t reserved;
  int32_t pointX; /* latitude, milliseconds of arc */
  int32_t pointY; /* longitude, milliseconds of arc */
} GyoseiRecord;

/* Town record of krv_cho.rec (88 bytes). Town 1 of an area is the area's own
 * record and has no name. */
typedef struct ChoRecord {
  int32_t townNo;
  uint32_t flags; /* bit 0: divided into chome; bit 1: lots counted per koaza */
  char name[31];
  char kana[29];
  int32_t postCode;   /* 7-digit postal code, or -k: entry k of krv_multipost.rec */
  int32_t azaIndex;   /* section table index, 0 = no sections */
  int32_t gaikuIndex; /* block table index of a town without sections, 0 = none */
  int32_t pointX;
  int32_t pointY;
} ChoRecord;

/* Section record of krv_aza.rec (80 bytes). */
typedef struct AzaRecord {
  int32_t azaKey; /* town number * 65536 + section number */
  int32_t reserved;
  char name[31];
  char kana[29];
  int32_t gaikuIndex; /* block table index, 0 = no blocks */
  int32_t pointX;
  int32_t pointY;
} AzaRecord;

/* Block or lot record of krv_gaiku.rec (16 bytes). */
typedef struct GaikuRecord {
  int32_t gaikuKey;   /* number (>= 0) or -k for string k */
  int32_t jukyoIndex; /* residence table index, 0 = none */
  int32_t pointX;
  int32_t pointY;
} GaikuRecord;

/* Residence record of krv_jukyo.rec (12 bytes). */
typedef struct JukyoRecord {
  int32_t jukyoKey; /* number (>= 0) or -k for string k */
  int32_t pointX;
  int32_t pointY;
} JukyoRecord;

/* Record of the character index krv_moji.idx (16 bytes); the producer of the
 * index decides what the four values mean. */
typedef struct MojiRecord {
  int32_t value[4];
} MojiRecord;

/* Place-name record of krv_chimei25k.rec (68 bytes). */
typedef struct Chimei25kRecord {
  int32_t attr1;
  int32_t attr2;
  int32_t attr3;
  char name[48];
  int32_t pointX;
  int32_t pointY;
} Chimei25kRecord;

/* One hit of krvChimei25kSearch. */
typedef struct Chimei25kResult {
  int32_t attr1;
  int32_t attr2;
  int32_t attr3;
  char name[48]; /* in the argument encoding, at most 47 bytes */
  double x;      /* first stored coordinate, degrees */
  double y;      /* second stored coordinate, degrees */
} Chimei25kResult;

/* ------------------------------------------------------------------------
 * DB session
 * ---------------------------------------------------------------------- */

/* DB file ids accepted by krvDbFilePath. */
#define KRV_FILE_GYOSEI_REC 1
#define KRV_FILE_GYOSEI_HSH 2
#define KRV_FILE_CHO_REC 3
#define KRV_FILE_CHO_HSH 4
#define KRV_FILE_AZA_REC 5
#define KRV_FILE_GAIKU_REC 6
#define KRV_FILE_JUKYO_REC 7
#define KRV_FILE_MAGOBAN_REC 8
#define KRV_FILE_STRING_REC 9
#define KRV_FILE_MULTIPOST_REC 10
#define KRV_FILE_VARIATION_CSV 11
#define KRV_FILE_GYOSEIMEI_CSV 12
#define KRV_FILE_POST_IDX 13
#define KRV_FILE_CHIMEI25K_REC 14
#define KRV_FILE_CHIMEI25K_HSH 15
#define KRV_FILE_MOJI_IDX 16

/* Sets the DB directory.  0, or -1 when `path` is NULL or longer than 255
 * bytes (the kept path is then unchanged).  Loads nothing. */
KRV_API int krvDbSetPath(const char* path);

/* Full path of DB file `id` (1..16): the DB directory, '/', the file name.
 * NULL for any other id.  Library buffer, overwritten by the next call. */
KRV_API const char* krvDbFilePath(int id);

/* English text for the last krvDbLoad result.  NULL when there is no error
 * (last result 0, or the level a successful load reached).  -1 and -2 have
 * texts of their own; -10 to -79 read "<file>: <failure>" followed directly
 * by the path of the file concerned, where <failure> is "Memory allocation
 * error.", "File open error.", "File ID string does not match." or "File
 * read error."; a failure of the string file krv_string.rec while loading the
 * block or residence records reads "Gaiku record file: " or "Jukyo record
 * file: ", then "String file header read error.", "String file ID string
 * does not match.", "String file memory allocation error." or "String file
 * read error." and the path of krv_string.rec.  Every other code gives
 * "Unknown error.".  Library buffer, overwritten by the next call. */
KRV_API const char* krvDbErrorText(void);

/* Loads the stores of `level` from directory `path` and resets the argument
 * encoding to Shift-JIS.  Levels: 1 areas, 2 + towns and postal index,
 * 3 + sections, 4 + blocks, 5 + residences, 0 as deep as the files allow,
 * 14 place names, 16 character index.  Returns the deepest level loaded by
 * this call (0 when everything was loaded already); -1 path too long, -2
 * unsupported level, or -10 * fileId + storeCode when a store failed.  On any
 * failure everything is unloaded, also what earlier calls loaded. */
KRV_API int krvDbLoad(const char* path, int level);

/* Unloads every store; always 0. */
KRV_API int krvDbEnd(void);

/* ------------------------------------------------------------------------
 * Shift-JIS text helpers
 * ---------------------------------------------------------------------- */

/* Bounded copy: 0 copied whole; -1 cut to size-1 bytes (also when the source
 * is exactly size-1 bytes); -2 size < 1 or a NULL pointer (nothing written). */
KRV_API int krvStrcpy(char* dst, const char* src, int size);

/* Bounded append: 0 appended whole; -1 the result would reach size-1 bytes
 * (appended as far as it fits); -2 size < 1 or a NULL pointer. */
KRV_API int krvStrcat(char* dst, const char* src, int size);

/* Value of the number at the start of `text` (ASCII digits, full-width
 * digits, kanji numerals with 十 百 千 万 grouping); 0 when the text does not
 * begin with a numeral.  `consumed` (optional) receives the bytes read. */
KRV_API uint32_t NumStr2Int(const char* text, int* consumed);

/* 1 when the last character of `text` is an ASCII digit or a numeral
 * character (一..九, ０..９, 十, 百, 千, 万, 萬), else 0.  A one-byte text is
 * judged by its byte; an empty text or NULL gives 0. */
KRV_API int LastCharIsNumeric(const char* text);

/* Writes `value` in full-width digits; a negative value starts with "－".
 * 0, or -1 when 2 * (number of characters) + 1 exceeds `size` (nothing
 * written). */
KRV_API int Int2ZenkakuStr(int32_t value, char* dst, int size);

/* 1 when the two bytes at `p` form a Shift-JIS double-byte character. */
KRV_API int IsSjisKanji(const char* p);

/* Half-width katakana to full-width hiragana (ｶﾞ -> が).  Bytes written
 * without the NUL, or -1 when 2 * strlen(src) + 1 exceeds `size` (nothing
 * written). */
KRV_API int krvKanaHan2Zen(const char* src, char* dst, int size);

/* Full-width hiragana (and ゛ ゜ ー ― ‐ ～) to half-width katakana.  Bytes
 * written without the NUL, or -1 when the output was cut at size-1 bytes. */
KRV_API int krvKanaZen2Han(const char* src, char* dst, int size);

/* First character of `text` that is one of the characters of `set`
 * (double-byte characters compared whole, trail bytes never matched); NULL
 * when none, or when `set` is 2,002 bytes or longer. */
KRV_API const char* sjispbrk(const char* text, const char* set);

/* ------------------------------------------------------------------------
 * Argument encoding
 * ---------------------------------------------------------------------- */

/* Chooses the encoding of address texts passed to and returned by the
 * address functions, by a name compared without case: a name containing
 * "jis" gives Shift-JIS, else "jp" EUC-JP, else "utf" and "8" UTF-8.
 * 0, or -1 for an unrecognised name (setting unchanged).  krvDbLoad resets
 * it to Shift-JIS. */
KRV_API int krvSetArgEncoding(const char* name);

/* Converts `src` into `dst` of `size` bytes.  Modes: 0 Shift-JIS -> EUC-JP,
 * 1 EUC-JP -> Shift-JIS, 2 Shift-JIS (code page 932) -> UTF-8, 3 UTF-8 ->
 * Shift-JIS (code page 932).  0 converted (or an unknown mode: nothing done);
 * -1 `dst` too small; -2 NULL `src` or `dst`, or a source that cannot be
 * converted.
 * Modes 0 and 1 map JIS X 0208 arithmetically and never fail on content;
 * after -1 `dst` holds the first `size` bytes of the output without a NUL.
 * Modes 2 and 3 give -2 for invalid UTF-8 (overlong forms and surrogates
 * included), for invalid or unassigned Shift-JIS and for characters code page
 * 932 lacks; look-alike characters take code page 932's forms (U+301C wave
 * dash -> 0x8160).  A source that cannot be converted gives -2 even when it
 * would not fit either.  After -1 or -2, `dst` holds an empty text (when
 * `size` >= 1). */
KRV_API int krvCharConv(int mode, const char* src, char* dst, int size);

/* ------------------------------------------------------------------------
 * Record stores.  Load functions return a count (or 0) on success and a
 * store load code on failure: -1 memory, -2 open, -3 wrong file ID, -4 and
 * below a short or inconsistent file.  Every other function answers -1 when
 * its store is not loaded.
 * ---------------------------------------------------------------------- */

/* Area records (krv_gyosei.rec) and area-name hash (krv_gyosei.hsh). */
/* Record count N (the empty record 0 included); -1, -2, -3, -4 header, -5
 * code table, -6 records short or damaged. */
KRV_API int GyoseiRecLoad(const char* path);
KRV_API int GyoseiRecEnd(void);
/* 0 copied; -1 not loaded; -2 code outside 1000..47999; -3 table names an
 * index beyond the records; -4 no such area. */
KRV_API int GyoseiRecGet(int32_t areaCode, GyoseiRecord* record);
/* 0; -1, -2, -3, -4 header, -5 bucket heads, -6 entries short or damaged
 * (also a chain that loops). */
KRV_API int GyoseiHashLoad(const char* path);
KRV_API int GyoseiHashEnd(void);
/* Longest area names that begin `text`: number of codes written (1..maxCodes),
 * in the order the names were added; 0 none (outputs untouched); -1 not
 * loaded; -2 empty text, NULL `codes` or `maxCodes` < 1; -3 100 or more
 * candidates.  `matchLength` (bytes) and `kind` (of the last code written)
 * are optional. */
KRV_API int GyoseiHashSearch(const char* text, int* matchLength, int* kind, int32_t* codes,
                             int maxCodes);

/* Town records (krv_cho.rec) and town-name hash (krv_cho.hsh). */
/* Record count R; -1, -2, -3, -4 header, -5 area table, -6 records short or
 * damaged. */
KRV_API int ChoRecLoad(const char* path);
/* Writes the loaded header, area table and records (through a temporary file
 * that replaces `path` when complete).  R, or -1 not loaded or `path` cannot
 * be created, -2 header, -3 table, -4 records failed. */
KRV_API int ChoRecSave(const char* path);
KRV_API int ChoRecEnd(void);
/* Town count of the area (0 none); -1 not loaded; -2 code out of range. */
KRV_API int ChoRecNumRecords(int32_t areaCode);
/* 0; -1 not loaded; -2 code out of range; -3 townNo outside 1..count (or a
 * NULL record).  Put changes memory only; a name or reading without its
 * terminator is cut at the field's last byte. */
KRV_API int ChoRecGet(int32_t areaCode, int32_t townNo, ChoRecord* record);
KRV_API int ChoRecPut(int32_t areaCode, int32_t townNo, const ChoRecord* record);
/* 0; -1, -2, -3, -5 header, -6 area table, -7 hash blocks, -8 entries short
 * or damaged (also a chain that loops). */
KRV_API int ChoHashLoad(const char* path);
KRV_API int ChoHashEnd(void);
/* Longest town name of the area that begins `text`.  1 found; 0 none; -1 not
 * loaded; -2 empty text; -3 code out of range; -4 the area has no hash block;
 * -5 the block belongs to another area; -6 300 or more candidates.  The
 * outputs (optional) are written only on 1. */
KRV_API int ChoHashSearch(int32_t areaCode, const char* text, int* matchLength, int32_t* townNo);

/* Section records (krv_aza.rec). */
/* Record count n; -1, -2, -3, -4 header, -5 table list, -6 records short or
 * damaged. */
KRV_API int AzaRecLoad(const char* path);
/* n, or -1 not loaded or `path` cannot be created, -2 header, -3 table list,
 * -4 records failed. */
KRV_API int AzaRecSave(const char* path);
KRV_API int AzaRecEnd(void);
/* Section count; -1 not loaded; -2 code out of range; -3 no such town; -4 the
 * town has no section table. */
KRV_API int AzaRecNumRecords(int32_t areaCode, int32_t townNo);
/* 0; codes as AzaRecNumRecords, plus -5 azaNo out of range (or a NULL
 * record), -6 record key mismatch (Get copies the record all the same, Put
 * writes nothing). */
KRV_API int AzaRecGet(int32_t areaCode, int32_t townNo, int32_t azaNo, AzaRecord* record);
KRV_API int AzaRecPut(int32_t areaCode, int32_t townNo, int32_t azaNo, const AzaRecord* record);
/* The section named at the start of `text` in section table `tableIndex`: by
 * number when the text begins with one (一丁目, 2-, ３の), else the first
 * section whose name occurs in the text.  `matchLength` gets the bytes the
 * match covers: the number and a 丁目 or separator right after it, or the
 * name.  1 found; 0 none (matchLength 0); -1 not loaded; -2 tableIndex not
 * below the table count; -3 a NULL output. */
KRV_API int AzaRecSearch(int32_t tableIndex, const char* text, int* matchLength, AzaRecord* record);

/* Block and lot records (krv_gaiku.rec) with the string file (krv_string.rec). */
/* Record count n (also, reading nothing, when already loaded); -1, -2, -3, -4
 * header, -5 table list, -6 records short or damaged; the string file: -8
 * header, -9 ID, -10 memory, -11 read.  A missing string file is no failure:
 * named blocks are then never found. */
KRV_API int GaikuRecLoad(const char* path, const char* stringPath);
/* n, or -1 not loaded or `path` cannot be created, -2 header, -3 table list,
 * -4 records failed.  The string file is not written. */
KRV_API int GaikuRecSave(const char* path);
KRV_API int GaikuRecEnd(void);
/* Block table index of the town (azaNo <= 0) or section; 0 none; -101 not
 * loaded; -102 town missing; -103 section missing; -104 table mismatch. */
KRV_API int GetGaikuTableNum(int32_t areaCode, int32_t townNo, int32_t azaNo);
/* The functions below pass the codes of GetGaikuTableNum below 0 through. */
/* Block count; 0 without a table. */
KRV_API int GaikuRecNumRecords(int32_t areaCode, int32_t townNo, int32_t azaNo);
/* Block keys in table order, at most `maxCount` (no limit when negative);
 * the number written. */
KRV_API int GaikuRecGetList(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t* list,
                            int maxCount);
/* 0 copied; -1 no table, no such block or a NULL record.  `residenceFlag`
 * (optional) gets the table's flag whenever the table exists. */
KRV_API int GaikuRecGet(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                        GaikuRecord* record, int* residenceFlag);
KRV_API int GaikuRecPut(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                        const GaikuRecord* record);
/* The block named at the start of `text` in block table `tableIndex`: by
 * number when the text begins with one (the length covers a 番地, 番, 街区 or
 * separator right after it), else the first named block whose name occurs in
 * the text.  1 found; 0 none (matchLength keeps the number's length); -1 not
 * loaded; -2 tableIndex not below the table count; -3 a NULL output. */
KRV_API int GaikuRecSearch(int32_t tableIndex, const char* text, int* matchLength,
                           GaikuRecord* record);

/* Residence records (krv_jukyo.rec) with the string file. */
/* Codes as GaikuRecLoad. */
KRV_API int JukyoRecLoad(const char* path, const char* stringPath);
/* Codes as GaikuRecSave. */
KRV_API int JukyoRecSave(const char* path);
KRV_API int JukyoRecEnd(void);
/* Residence table index of the block; 0 none; -101 not loaded; -102 block
 * missing; -103 check value mismatch. */
KRV_API int GetJukyoTableNum(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo);
/* As the block functions, with the codes of GetJukyoTableNum. */
KRV_API int JukyoRecNumRecords(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo);
KRV_API int JukyoRecGetList(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                            int32_t* list, int maxCount);
KRV_API int JukyoRecGet(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                        int32_t jukyoNo, JukyoRecord* record);
KRV_API int JukyoRecPut(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                        int32_t jukyoNo, const JukyoRecord* record);
/* As GaikuRecSearch; the number's length covers a 番地, 号 or separator right
 * after it. */
KRV_API int JukyoRecSearch(int32_t tableIndex, const char* text, int* matchLength,
                           JukyoRecord* record);

/* Postal-code index (krv_post.idx).  Load: the entry count; -6 entries
 * cut short.  A failed load leaves the index unloaded. */
KRV_API int PostIndexLoad(const char* path);
KRV_API int PostIndexEnd(void);
/* Entry count, or -1 when not loaded. */
KRV_API int PostIndexNumRecords(void);
/* 0 found; -1 not loaded; -2 not in the index; -3 found but an output is NULL. */
KRV_API int PostIndexGet(int32_t postalCode, int32_t* areaCode, int32_t* townNo);

/* Character index (krv_moji.idx).  Load: the posting count; -5 character
 * table, -6 postings or records cut short; -7 a list beyond the postings. */
KRV_API int MojiIndexLoad(const char* path);
KRV_API int MojiIndexEnd(void);
/* Records containing every double-byte character of `text` (Shift-JIS only):
 * the hit count; -1 not loaded; -2 empty text; -3 more hits than `capacity`
 * (the first ones copied); -4 30 or more characters; -5 damaged list; -6 hit
 * outside the records; -7 an intersection too large. */
KRV_API int MojiIndexSearch(const char* text, MojiRecord* records, int capacity);

/* Place names (krv_chimei25k.rec, krv_chimei25k.hsh).  Record load: the
 * record count; -6 records cut short. */
KRV_API int Chimei25kRecLoad(const char* path);
KRV_API int Chimei25kRecEnd(void);
/* Record count, or -1 when not loaded. */
KRV_API int Chimei25kRecNumRecords(void);
/* 0 copied; -1 not loaded; -2 recordNo below 0; -3 recordNo not below the
 * count; -4 NULL record. */
KRV_API int Chimei25kRecGet(int32_t recordNo, Chimei25kRecord* record);
/* Hash load: 0; -5 bucket heads, -6 entries cut short; -7 no buckets, or a
 * chain that leaves the entries or runs into itself. */
KRV_API int Chimei25kHashLoad(const char* path);
KRV_API int Chimei25kHashEnd(void);
/* Record numbers of the stored names that are `name` or begin it, in chain
 * order: the count written, 0 none; -1 not loaded; -2 empty name, NULL
 * array or capacity below 1; -3 the array filled up (capacity numbers
 * written, even when no further name would match). */
KRV_API int Chimei25kHashSearch(const char* name, int32_t* recordNos, int capacity);

/* ------------------------------------------------------------------------
 * Geocoding
 * ---------------------------------------------------------------------- */

/* Address text (argument encoding) to the deepest code the loaded DB
 * confirms.  Returns the number of characters accounted for (> 0; text
 * after the deepest match, such as a building name, is not counted), 0 when
 * no area name starts the text or the last two area names lie in no common
 * area, -1 ambiguous first area, -2 empty text, NULL code or failed
 * conversion, -3 area hash not loaded or too many names, -4 to -9 a store
 * failed at the area, town, town record, section, block or residence step.
 * After 0, -1, -3 and a failed conversion the code is all zero; after -4 to
 * -9 it holds what was found before the failing step (-4: at most the
 * level).  Stores that are not loaded end the walk without an error.  The
 * walk reads at most the first 1,023 bytes of the Shift-JIS text (a
 * converted text may not be longer); the rest is left unread. */
KRV_API int krvAdrStr2Code(const char* address, AdrCode* code);

/* Single steps of the walk, Shift-JIS only. */

/* Areas named at the start of `text`, up to four names read one after
 * another: with one name every area of that name, with more the areas of the
 * last name that lie in an area of the name before (once for each such
 * area).  Writes at most `maxCodes` codes and returns their number (0 when
 * none); `matchLength` receives the bytes of all names read.  -1 area hash
 * not loaded, -2 empty text or NULL `codes`, -3 too many names, -100 a name
 * of no length. */
KRV_API int krvGetGyoseiCode(const char* text, int* matchLength, int32_t* codes, int maxCodes);
/* Town of area `gyoseiCode` named at the start of `text`; a leading 大字 or
 * 字 is allowed and counted.  1 with `matchLength` and `choCode` (town 1 and
 * length 0 for an area that has towns but no town-name table); 0 no town
 * (also for an area without towns); -1 not loaded; -2 empty text; -3 code out
 * of range; -4 no such area; -5 damaged hash; -6 too many names.  The
 * outputs are written only on 1. */
KRV_API int krvGetChoCode(int32_t gyoseiCode, const char* text, int* matchLength,
                          int32_t* choCode);
/* Section of a town named at the start of `text`.  1 with `matchLength` and
 * `azaCode`; 0 none (also for a town without sections); -1 empty text; -2
 * no such town.  Both outputs are 0 unless the result is 1. */
KRV_API int krvGetAzaCode(int32_t gyoseiCode, int32_t choCode, const char* text, int* matchLength,
                          int32_t* azaCode);
/* Code of the designated city (or 13100, Tokyo's special-ward area) of a
 * ward; -1 when `gyoseiCode` is not a ward. */
KRV_API int krvGetSeireiCode(int32_t gyoseiCode);

/* Standard written address and its full-width katakana reading, in the
 * argument encoding.  Shift-JIS output is cut at the buffer sizes; converted
 * output that does not fit fails with -6.  Named blocks and residences are
 * written by their names.  Returns the level; -1 area, -2 town, -3 section,
 * -4 block, -5 residence not found; -6 conversion.  On failure both outputs
 * are empty. */
KRV_API int krvAdrCode2Str(const AdrCode* code, char* name, int nameSize, char* reading,
                           int readingSize);

/* Point of the code in degrees (x latitude, y longitude); areas, towns and
 * sections without a stored point take the point of the first block below
 * them.  0; -1 area, -2 town, -3 section, -4 block, -5 residence not found. */
KRV_API int krvAdrCode2Point(const AdrCode* code, double* x, double* y);

/* Children of a node: `level` (5..8) is the level of the children, the fields
 * above it name the parent (blocks of a town without sections: azaCode 0;
 * named blocks and residences have negative numbers, 0 names none).  Count
 * (0 for a parent without children), or -1 field out of range or NULL code,
 * -2 bad level, -3 store not loaded, -4 area code rejected, -5 parent
 * missing or other store failure.  The list holds towns and sections as 1,
 * 2, ..., blocks and residences as their numbers, in table order. */
KRV_API int krvGetNumAdrRecords(const AdrCode* code);
KRV_API int krvGetAdrRecordList(const AdrCode* code, int32_t* list, int capacity);
/* The store record of the node (88, 88, 80, 16 or 12 bytes by level): 0, or
 * the codes above, -5 buffer too small, -6 no such record. */
KRV_API int krvGetAdrRecord(const AdrCode* code, void* buffer, int size);

/* Kind 1 removes blanks (space, tab, full-width space); any other kind gives
 * an empty output.  0, or -1 when the argument encoding conversion fails. */
KRV_API int krvAdrFilter(int kind, const char* input, char* output, int size);

/* Postal code (7 digits as a number) to its town: level 4 with gyoseiCode
 * and choCode.  0; -3 not in the index or index not loaded; -4 NULL code. */
KRV_API int krvPost2AdrCode(int32_t postalCode, AdrCode* code);

/* Place names that are a prefix of `name`: hit count (results NULL counts
 * only); -1 more hits than maxResults; -2 bad arguments or conversion; -3
 * hash not loaded; -4 10,000 or more hits; -5 record missing; -6 output
 * conversion failed. */
KRV_API int krvChimei25kSearch(const char* name, Chimei25kResult* results, int maxResults);

#ifdef __cplusplus
}
#endif

#endif /* KUROVIA_H */
