// The bytes of every DB file kind, written out by hand from the file
// layouts: headers, table entries, records, hash blocks and chains.  The
// fixture writer must produce exactly these bytes, and the stores' Save
// functions are checked against the fixture writer's files elsewhere.
#include <gtest/gtest.h>

#include <string>

#include "store_fixture.h"

namespace krv::test {
namespace {

std::string Zeros(std::size_t n) { return std::string(n, '\0'); }

class StoreFormatTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    DbBuilder db;
    db.SetAreaHashSize(7);
    GyoseiRecord& area = db.Area(13101, 4, "千代田区", "ﾁﾖﾀﾞｸ");
    area.countyCode = 13100;
    area.extraFlag = 1;
    area.value1 = 2;
    area.pointX = 503130250;
    area.pointY = 128452449;
    db.AreaName("千代田", 13101, 4);  // same bucket: chained behind 千代田区
    const TownRef town = db.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
    db.Record(town).flags = 1;
    db.Record(town).postCode = 1000005;
    db.PostCode(1000005, town);
    const SectionRef section = db.Section(town, "一丁目");
    db.ResidenceFlag(section, 1);
    const BlockRef block = db.Block(section, 12, 1000, 2000);
    db.NamedBlock(section, "甲");
    db.Residence(block, 3, 11, 22);
    db.AddString("＄イ");
    db.Write(dir_.str());
  }

  std::string Bytes(const char* file, std::size_t offset, std::size_t length) const {
    const std::string all = ReadFile(File(file));
    EXPECT_LE(offset + length, all.size()) << file;
    return all.substr(offset, length);
  }
  std::size_t Size(const char* file) const { return ReadFile(File(file)).size(); }
};

TEST_F(StoreFormatTest, AreaRecords) {
  EXPECT_EQ(Size("krv_gyosei.rec"), 24u + 192000 + 2 * 88);
  EXPECT_EQ(Bytes("krv_gyosei.rec", 0, 24), Hex("67 79 6f 72 65 63 64 00  01 00 00 00  00 00 00 00  00 00 00 00  02 00 00 00"));
  EXPECT_EQ(Bytes("krv_gyosei.rec", 24 + 4 * 13101, 4), Hex("01 00 00 00"));
  EXPECT_EQ(Bytes("krv_gyosei.rec", 192024, 88), Zeros(88));
  EXPECT_EQ(Bytes("krv_gyosei.rec", 192024 + 88, 88),
            Hex("04 00 00 00  0d 00 00 00  00 00 00 00  2c 33 00 00  2d 33 00 00"  // kind .. muniCode
                "01 00 00 00  02 00 00 00  00 00 00 00  00 00 00 00"               // extraFlag, values
                "90 e7 91 e3 93 63 8b e6") +                                       // 千代田区
                Zeros(16) + Hex("c1 d6 c0 de b8") + Zeros(11) +                    // ﾁﾖﾀﾞｸ
                Hex("00 00 00 00  8a 28 fd 1d  61 07 a8 07"));                     // reserved, point
}

TEST_F(StoreFormatTest, AreaNameHash) {
  // H = 7; both names start with 90 e7 91 e3: 0xe391e790 % 7 = 3.
  EXPECT_EQ(Size("krv_gyosei.hsh"), 24u + 7 * 4 + 3 * 36);
  EXPECT_EQ(Bytes("krv_gyosei.hsh", 0, 24), Hex("67 79 6f 68 61 73 68 00  01 00 00 00  00 00 00 00  03 00 00 00  07 00 00 00"));
  EXPECT_EQ(Bytes("krv_gyosei.hsh", 24, 28), Zeros(12) + Hex("01 00 00 00") + Zeros(12));
  const std::size_t entries = 24 + 28;
  EXPECT_EQ(Bytes("krv_gyosei.hsh", entries, 36), Zeros(36));
  EXPECT_EQ(Bytes("krv_gyosei.hsh", entries + 36, 72),
            Hex("90 e7 91 e3 93 63 8b e6") + Zeros(16) + Hex("2d 33 00 00  04 00 00 00  02 00 00 00") +
                Hex("90 e7 91 e3 93 63") + Zeros(18) + Hex("2d 33 00 00  04 00 00 00  00 00 00 00"));
}

TEST_F(StoreFormatTest, TownRecords) {
  EXPECT_EQ(Size("krv_cho.rec"), 32u + 384000 + 2 * 88);
  EXPECT_EQ(Bytes("krv_cho.rec", 0, 32),
            Hex("63 68 6f 72 65 63 64 00  01 00 00 00  00 00 00 00  00 00 00 00  02 00 00 00  58 00 00 00  28 00 00 00"));
  EXPECT_EQ(Bytes("krv_cho.rec", 32 + 8 * 13101, 8), Hex("02 00 00 00  00 00 00 00"));
  EXPECT_EQ(Bytes("krv_cho.rec", 384032, 88), Hex("01 00 00 00") + Zeros(84));
  EXPECT_EQ(Bytes("krv_cho.rec", 384032 + 88, 88),
            Hex("02 00 00 00  01 00 00 00  8a db 82 cc 93 e0") + Zeros(25) +  // townNo, flags, 丸の内
                Hex("cf d9 c9 b3 c1") + Zeros(24) +                            // ﾏﾙﾉｳﾁ
                Hex("45 42 0f 00  01 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"));
}

TEST_F(StoreFormatTest, TownNameHash) {
  // T = 2 gives G = 5 at factor 2.0; the block sits at word 1: [13101, 5,
  // five heads].  丸の内 keys as 0xcc82db8a, bucket 1.
  const std::size_t blocks = 36 + 192000;
  EXPECT_EQ(Size("krv_cho.hsh"), blocks + 32 + 2 * 40);
  EXPECT_EQ(Bytes("krv_cho.hsh", 0, 36),
            Hex("63 68 6f 68 61 73 68 00  01 00 00 00") + Zeros(16) + Hex("20 00 00 00  02 00 00 00"));
  EXPECT_EQ(Bytes("krv_cho.hsh", 36 + 4 * 13101, 4), Hex("01 00 00 00"));
  EXPECT_EQ(Bytes("krv_cho.hsh", blocks, 32),
            Hex("00 00 00 00  2d 33 00 00  05 00 00 00  00 00 00 00  01 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"));
  EXPECT_EQ(Bytes("krv_cho.hsh", blocks + 32 + 40, 40),
            Hex("8a db 82 cc 93 e0") + Zeros(26) + Hex("02 00 00 00  00 00 00 00"));
}

TEST_F(StoreFormatTest, SectionRecords) {
  const std::size_t records = 32 + 150000 * 20;
  EXPECT_EQ(Size("krv_aza.rec"), records + 80);
  EXPECT_EQ(Bytes("krv_aza.rec", 0, 32),
            Hex("61 7a 61 72 65 63 64 00  01 00 00 00  00 00 00 00  00 00 00 00  f0 49 02 00  02 00 00 00  01 00 00 00"));
  EXPECT_EQ(Bytes("krv_aza.rec", 32, 40), Zeros(20) + Hex("2d 33 00 00  02 00 00 00  01 00 00 00  00 00 00 00  00 00 00 00"));
  EXPECT_EQ(Bytes("krv_aza.rec", records, 80),
            Hex("01 00 02 00  00 00 00 00  88 ea 92 9a 96 da") + Zeros(25) + Zeros(29) +  // key, 一丁目, kana
                Hex("01 00 00 00  00 00 00 00  00 00 00 00"));                          // gaikuIndex, point
}

TEST_F(StoreFormatTest, BlockRecords) {
  EXPECT_EQ(Size("krv_gaiku.rec"), 32u + 2 * 24 + 2 * 16);
  EXPECT_EQ(Bytes("krv_gaiku.rec", 0, 32),
            Hex("67 61 69 6b 75 72 63 00  01 00 00 00  00 00 00 00  00 00 00 00  02 00 00 00  02 00 00 00  02 00 00 00"));
  EXPECT_EQ(Bytes("krv_gaiku.rec", 32, 48),
            Zeros(24) + Hex("2d 33 00 00  02 00 00 00  01 00 00 00  02 00 00 00  00 00 00 00  01 00 00 00"));
  EXPECT_EQ(Bytes("krv_gaiku.rec", 80, 32),
            Hex("0c 00 00 00  01 00 00 00  e8 03 00 00  d0 07 00 00"     // block 12, residence table 1
                "ff ff ff ff  00 00 00 00  00 00 00 00  00 00 00 00"));  // 甲: string 1
}

TEST_F(StoreFormatTest, ResidenceRecords) {
  EXPECT_EQ(Size("krv_jukyo.rec"), 32u + 2 * 8 + 12);
  EXPECT_EQ(Bytes("krv_jukyo.rec", 0, 32),
            Hex("6a 75 6b 79 6f 72 63 00  01 00 00 00  00 00 00 00  00 00 00 00  02 00 00 00  02 00 00 00  01 00 00 00"));
  // One residence; check value 13101 + 2 + 1 + 12 = 13116 (0x333c).
  EXPECT_EQ(Bytes("krv_jukyo.rec", 32, 16), Zeros(8) + Hex("01 00 3c 33  00 00 00 00"));
  EXPECT_EQ(Bytes("krv_jukyo.rec", 48, 12), Hex("03 00 00 00  0b 00 00 00  16 00 00 00"));
}

TEST_F(StoreFormatTest, StringsAndPostalIndex) {
  EXPECT_EQ(Size("krv_string.rec"), 32u + 2 * 16);
  EXPECT_EQ(Bytes("krv_string.rec", 0, 64),
            Hex("73 74 72 69 6e 67 72 00  01 00 00 00") + Zeros(12) + Hex("10 00 00 00  02 00 00 00") +
                Hex("8d 62") + Zeros(14) + Hex("81 90 83 43") + Zeros(12));
  EXPECT_EQ(ReadFile(File("krv_post.idx")),
            Hex("70 6f 73 74 69 64 78 00  01 00 00 00") + Zeros(16) + Hex("01 00 00 00") +
                Hex("45 42 0f 00  2d 33 00 00  02 00 00 00"));
}

TEST_F(StoreFormatTest, StoresReadTheFieldsAtTheirOffsets) {
  LoadAll();
  GyoseiRecord area{};
  ASSERT_EQ(GyoseiRecGet(13101, &area), 0);
  EXPECT_EQ(area.pointX, 503130250);
  int32_t codes[2];
  int length = 0;
  int kind = 0;
  EXPECT_EQ(GyoseiHashSearch(Sjis("千代田区丸の内").c_str(), &length, &kind, codes, 2), 1);
  EXPECT_EQ(length, 8);
  int32_t townNo = 0;
  EXPECT_EQ(ChoHashSearch(13101, Sjis("丸の内一丁目").c_str(), &length, &townNo), 1);
  EXPECT_EQ(townNo, 2);
  AzaRecord section{};
  EXPECT_EQ(AzaRecSearch(1, Sjis("一丁目12番3号").c_str(), &length, &section), 1);
  EXPECT_EQ(section.gaikuIndex, 1);
  GaikuRecord block{};
  EXPECT_EQ(GaikuRecSearch(1, Sjis("12番3号").c_str(), &length, &block), 1);
  EXPECT_EQ(block.jukyoIndex, 1);
  JukyoRecord residence{};
  EXPECT_EQ(JukyoRecSearch(1, Sjis("3号").c_str(), &length, &residence), 1);
  EXPECT_EQ(residence.pointY, 22);
}

}  // namespace
}  // namespace krv::test
