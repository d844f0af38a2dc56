/* The C interface as a C99 client sees it: this file includes no other
 * header of the project, compiles the whole of kurovia.h as C and calls the
 * session, text and encoding functions through the installed library. */
#include <stdio.h>
#include <string.h>

#include "kurovia.h"

static int failures = 0;

#define CHECK(cond)                                                         \
  do {                                                                      \
    if (!(cond)) {                                                          \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                           \
    }                                                                       \
  } while (0)

/* The record shapes keep their sizes in C too. */
typedef char GyoseiRecordIs88[sizeof(GyoseiRecord) == 88 ? 1 : -1];
typedef char ChoRecordIs88[sizeof(ChoRecord) == 88 ? 1 : -1];
typedef char AzaRecordIs80[sizeof(AzaRecord) == 80 ? 1 : -1];
typedef char GaikuRecordIs16[sizeof(GaikuRecord) == 16 ? 1 : -1];
typedef char JukyoRecordIs12[sizeof(JukyoRecord) == 12 ? 1 : -1];
typedef char AdrCodeIs24[sizeof(AdrCode) == 24 ? 1 : -1];

static void Session(void) {
  const char* path;
  CHECK(krvDbSetPath("/srv/kurovia/db") == 0);
  path = krvDbFilePath(KRV_FILE_GYOSEIMEI_CSV);
  CHECK(path != NULL && strcmp(path, "/srv/kurovia/db/krv_gyoseimei.csv") == 0);
  CHECK(krvDbFilePath(0) == NULL);
  CHECK(krvDbFilePath(17) == NULL);
  CHECK(krvDbSetPath(NULL) == -1);
  CHECK(krvDbErrorText() == NULL); /* nothing loaded yet */
}

static void TextHelpers(void) {
  /* 東京都港区 and 表 in Shift-JIS */
  static const char address[] = "\x93\x8c\x8b\x9e\x93\x73\x8d\x60\x8b\xe6";
  static const char hyo[] = "\x95\x5c";
  char buf[32];
  int consumed = -1;

  CHECK(krvStrcpy(buf, "abc", 4) == -1 && strcmp(buf, "abc") == 0);
  CHECK(krvStrcpy(buf, "ab", 4) == 0);
  CHECK(krvStrcat(buf, "cd", 5) == -1 && strcmp(buf, "abcd") == 0);
  CHECK(krvStrcpy(buf, "ab", 8) == 0 && krvStrcat(buf, "cd", 8) == 0);

  /* 三万五千 */
  CHECK(NumStr2Int("\x8e\x4f\x96\x9c\x8c\xdc\x90\xe7", &consumed) == 35000u && consumed == 8);
  CHECK(NumStr2Int("12x", NULL) == 12u);
  CHECK(LastCharIsNumeric("\x92\x9a\x96\xda" "3") == 1); /* 丁目3 */
  CHECK(LastCharIsNumeric("3\x92\x9a\x96\xda") == 0);    /* 3丁目 */

  CHECK(Int2ZenkakuStr(120, buf, 7) == 0 && strcmp(buf, "\x82\x50\x82\x51\x82\x4f") == 0);
  CHECK(Int2ZenkakuStr(120, buf, 6) == -1);
  CHECK(IsSjisKanji(address) == 1 && IsSjisKanji("A") == 0);

  /* ｶﾞｯｺｳ <-> がっこう */
  CHECK(krvKanaHan2Zen("\xb6\xde\xaf\xba\xb3", buf, sizeof buf) == 8);
  CHECK(strcmp(buf, "\x82\xaa\x82\xc1\x82\xb1\x82\xa4") == 0);
  CHECK(krvKanaZen2Han("\x82\xaa\x82\xc1\x82\xb1\x82\xa4", buf, sizeof buf) == 5);
  CHECK(strcmp(buf, "\xb6\xde\xaf\xba\xb3") == 0);

  CHECK(sjispbrk(address, "\x93\x73") == address + 4); /* 都 */
  CHECK(sjispbrk(hyo, "\\") == NULL);
}

static void Encodings(void) {
  char buf[32];
  CHECK(krvSetArgEncoding("UTF-8") == 0);
  CHECK(krvSetArgEncoding("latin1") == -1);
  CHECK(krvSetArgEncoding("Shift_JIS") == 0);

  CHECK(krvCharConv(0, "\x82\xa0", buf, sizeof buf) == 0 && strcmp(buf, "\xa4\xa2") == 0);
  CHECK(krvCharConv(1, "\xa4\xa2", buf, sizeof buf) == 0 && strcmp(buf, "\x82\xa0") == 0);
  CHECK(krvCharConv(0, "\xb1" "A", buf, 3) == -1 && memcmp(buf, "\x8e\xb1" "A", 3) == 0);
  /* 髙 (IBM extension) both ways */
  CHECK(krvCharConv(2, "\xfb\xfc", buf, sizeof buf) == 0 && strcmp(buf, "\xe9\xab\x99") == 0);
  CHECK(krvCharConv(3, "\xe9\xab\x99", buf, sizeof buf) == 0 && strcmp(buf, "\xfb\xfc") == 0);
  CHECK(krvCharConv(3, "\xc0\x80", buf, sizeof buf) == -2);
  CHECK(krvCharConv(2, "\xfb\xfc", buf, 3) == -1);
  CHECK(krvCharConv(7, "abc", buf, sizeof buf) == 0);
}

int main(void) {
  Session();
  TextHelpers();
  Encodings();
  if (failures != 0) {
    fprintf(stderr, "%d checks failed\n", failures);
    return 1;
  }
  printf("kurovia %s: C interface OK\n", KUROVIA_VERSION);
  return 0;
}
