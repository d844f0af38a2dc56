#include <gtest/gtest.h>

#include "krvprep_test_util.h"
#include "test_support.h"

namespace krv::test {
namespace {

const char* kCityHeader =
    "lg_code,pref,pref_kana,pref_roma,county,county_kana,county_roma,city,city_kana,city_roma,ward,ward_kana,"
    "ward_roma,efct_date,ablt_date,remarks";
const char* kTownHeader =
    "lg_code,machiaza_id,machiaza_type,pref,pref_kana,pref_roma,county,county_kana,county_roma,city,city_kana,"
    "city_roma,ward,ward_kana,ward_roma,oaza_cho,oaza_cho_kana,oaza_cho_roma,chome,chome_kana,chome_number,koaza,"
    "koaza_kana,koaza_roma,machiaza_dist,rsdt_addr_flg,rsdt_addr_mtd_code,oaza_cho_aka_flg,koaza_aka_code,"
    "oaza_cho_gsi_uncmn,koaza_gsi_uncmn,status_flg,wake_num_flg,efct_date,ablt_date,src_code,post_code,remarks";
const char* kTownPosHeader =
    "lg_code,machiaza_id,rsdt_addr_flg,rep_lon,rep_lat,rep_srid,rep_scale,rep_src_code,plygn_fname,plygn_kcode,"
    "plygn_fmt,plygn_srid,plygn_scale,plygn_src_code,pos_oaza_cho_chome_code,pos_data_mnt_year,cns_bnd_s_area_kcode,"
    "cns_bnd_year";
const char* kRsdtHeader =
    "lg_code,machiaza_id,blk_id,rsdt_id,rsdt2_id,city,ward,oaza_cho,chome,koaza,machiaza_dist,blk_num,rsdt_num,"
    "rsdt_num2,basic_rsdt_div,rsdt_addr_flg,rsdt_addr_mtd_code,status_flg,efct_date,ablt_date,src_code,remarks";
const char* kRsdtPosHeader =
    "lg_code,machiaza_id,blk_id,rsdt_id,rsdt2_id,rsdt_addr_flg,rsdt_addr_mtd_code,rep_lon,rep_lat,rep_srid,rep_scale,"
    "rep_src_code,rsdt_addr_code_rdbl,rsdt_addr_data_mnt_date,basic_rsdt_div";
const char* kParcelHeader =
    "lg_code,machiaza_id,prc_id,city,ward,oaza_cho,chome,koaza,machiaza_dist,prc_num1,prc_num2,prc_num3,"
    "rsdt_addr_flg,prc_rec_flg,prc_area_code,efct_date,ablt_date,src_code,remarks,real_prop_num";
const char* kParcelPosHeader =
    "lg_code,machiaza_id,prc_id,rep_lon,rep_lat,rep_srid,rep_scale,rep_src_code,plygn_fname,plygn_kcode,plygn_fmt,"
    "plygn_srid,plygn_scale,plygn_src_code,moj_map_city_code,moj_map_oaza_code,moj_map_chome_code,"
    "moj_map_koaza_code,moj_map_spare_code,moj_map_brushid";

std::string Town(const std::string& id, int type, const std::string& lg, const std::string& city,
                 const std::string& oaza, const std::string& chome, const std::string& koaza,
                 const std::string& ablt = "") {
  return lg + "," + id + "," + std::to_string(type) + ",東京都,,,,,," + city + ",,,,,," + oaza + ",,," + chome +
         ",,,"  + koaza + ",,,,0,0,0,0,0,0,1,1,1947-04-17," + ablt + ",0,,";
}
std::string TownPos(const std::string& lg, const std::string& id, const std::string& lon, const std::string& lat) {
  return lg + "," + id + ",1," + lon + "," + lat + ",EPSG:6668,25000,1,,,,,,0,,,,";
}
std::string Rsdt(const std::string& blkId, const std::string& rsdtId, const std::string& rsdt2Id,
                 const std::string& blk, const std::string& num, const std::string& num2, const std::string& date) {
  return "131059,0001001," + blkId + "," + rsdtId + "," + rsdt2Id + ",文京区,,白山,１丁目,,," + blk + "," + num +
         "," + num2 + ",0,1,1,0," + date + ",,0,";
}
std::string RsdtPos(const std::string& blkId, const std::string& rsdtId, const std::string& rsdt2Id,
                    const std::string& lon, const std::string& lat) {
  return "131059,0001001," + blkId + "," + rsdtId + "," + rsdt2Id + ",1,1," + lon + "," + lat +
         ",EPSG:6668,2500,1,,2019-04-04,0";
}
std::string Parcel(const std::string& id, const std::string& prc, const std::string& oaza, const std::string& koaza,
                   const std::string& n1, const std::string& n2, const std::string& n3,
                   const std::string& date = "1947-04-17") {
  return "465054," + id + "," + prc + ",屋久島町,," + oaza + ",," + koaza + ",," + n1 + "," + n2 + "," + n3 +
         ",0,1,," + date + ",,1,,";
}
std::string ParcelPos(const std::string& id, const std::string& prc, const std::string& lon, const std::string& lat) {
  return "465054," + id + "," + prc + "," + lon + "," + lat + ",EPSG:6668,500,1,,,,,,,,,,,,";
}

class SourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = dir_.path() / "src";
    out_ = dir_.path() / "out";
    WriteSource(src_ / "areas" / "mt_pref_all.csv",
                {"lg_code,pref,pref_kana,pref_roma,efct_date,ablt_date,remarks",
                 "130001,東京都,トウキョウト,Tokyo,1947-04-17,,", "460001,鹿児島県,カゴシマケン,Kagoshima,1947-04-17,,"});
    WriteSource(src_ / "areas" / "mt_city_all.csv",
                {kCityHeader, "131016,東京都,,,,,,千代田区,チヨダク,,,,,1947-04-17,,",
                 "131059,東京都,,,,,,文京区,ブンキョウク,,,,,1947-04-17,,",
                 "131130,東京都,,,,,,渋谷区,シブヤク,,,,,1947-04-17,,",
                 "465054,鹿児島県,,,熊毛郡,クマゲグン,,屋久島町,ヤクシマチョウ,,,,,2007-10-01,,"});
    const auto ken = [](const std::string& code, const std::string& muni, const std::string& town) {
      return code + ",\"100  \",\"1000005\",\"ﾄｳｷｮｳﾄ\",\"ｸ\",\"ﾁｮｳ\",\"東京都\",\"" + muni + "\",\"" + town +
             "\",0,0,1,0,0,0";
    };
    WriteSource(src_ / "postal" / "KEN_ALL.CSV",
                {ken("13101", "千代田区", "丸の内（次のビルを除く）"), ken("13101", "千代田区", "大手町"),
                 ken("13105", "文京区", "白山"), ken("13113", "渋谷区", "富ヶ谷"),
                 ken("46505", "熊毛郡屋久島町", "安房"), ken("46505", "熊毛郡屋久島町", "一湊")},
                true);
  }

  TempDir dir_;
  std::filesystem::path src_;
  std::filesystem::path out_;
};

TEST_F(SourcesTest, SectionsOfBothSourcesAreMergedAndGroupedByTown) {
  const auto isj = src_ / "isj" / "town" / "13000-17.0b" / "13_2023.csv";
  const auto q = [](const std::string& city, const std::string& name, const std::string& lat, const std::string& lon) {
    return "\"13\",\"東京都\",\"" + city.substr(0, 5) + "\",\"" + city.substr(5) + "\",\"000000000000\",\"" + name +
           "\",\"" + lat + "\",\"" + lon + "\",\"0\",\"3\"";
  };
  WriteSource(isj,
              {"\"都道府県コード\",\"都道府県名\",\"市区町村コード\",\"市区町村名\",\"大字町丁目コード\","
               "\"大字町丁目名\",\"緯度\",\"経度\",\"原典資料コード\",\"大字・字・丁目区分コード\"",
               q("13101千代田区", "丸の内一丁目", "35.681560", "139.767201"),
               q("13101千代田区", "大手町一丁目", "35.686000", "139.764000"),
               q("13101千代田区", "丸の内三丁目", "35.677000", "139.763000"),
               q("13113渋谷区", "富ケ谷一丁目", "35.667000", "139.687000"),
               q("13101千代田区", "有楽町一丁目", "north", "139.760000"),
               q("13101千代田区", "神田佐久間河岸", "35.697048", "139.777798")},
              true);
  WriteSource(src_ / "isj" / "town" / "13000-17.0b" / "META_13_2023.xml", {"<xml/>"});
  WriteSource(src_ / "abr" / "town" / "mt_town_pref13.csv",
              {kTownHeader, Town("0001001", 2, "131016", "千代田区", "丸の内", "１丁目", ""),
               Town("0001002", 2, "131016", "千代田区", "丸の内", "2丁目", ""),
               Town("0001000", 1, "131016", "千代田区", "丸の内", "", ""),
               Town("0002101", 3, "131016", "千代田区", "大手町", "", "字大手"),
               Town("0000000", 4, "131016", "千代田区", "", "", ""),
               Town("0003000", 1, "131016", "千代田区", "旧町", "", "", "2000-01-01"),
               Town("0004000", 1, "131016", "千代田区", "𩸽町", "", ""),
               Town("0005001", 2, "131130", "渋谷区", "富ヶ谷", "１丁目", "")});
  WriteSource(src_ / "abr" / "town" / "mt_town_pos_pref13.csv",
              {kTownPosHeader, TownPos("131016", "0001001", "139.1", "35.1"),
               TownPos("131016", "0001002", "139.764", "35.680"), TownPos("131016", "0001002", "139.764", "35.680"),
               TownPos("131016", "0001000", "139.765", "35.681"), TownPos("131016", "0009000", "139.5", "35.5")});

  const auto run = RunPrep({src_.string(), out_.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> expected = {
      "都道府県名,市区町村名,大字町丁目名,,,,,緯度,経度",
      "東京都,千代田区,丸の内,,,,,35.681,139.765",
      "東京都,千代田区,丸の内一丁目,,,,,35.681560,139.767201",
      "東京都,千代田区,丸の内三丁目,,,,,35.677000,139.763000",
      "東京都,千代田区,丸の内二丁目,,,,,35.680,139.764",
      "東京都,千代田区,大手町一丁目,,,,,35.686000,139.764000",
      "東京都,千代田区,大手町字大手,,,,,,",
      "東京都,千代田区,神田佐久間河岸,,,,,35.697048,139.777798",
      "東京都,渋谷区,富ヶ谷一丁目,,,,,35.667000,139.687000",
  };
  EXPECT_EQ(ReadSjisLines(out_ / "aza" / "13_2023.csv"), expected);
  const std::string masterPath = (src_ / "abr" / "town" / "mt_town_pref13.csv").string();
  EXPECT_EQ(run.err, "krvprep: " + isj.string() +
                         ":6: latitude/longitude not a point in Japan: \"13\",\"東京都\",\"13101\",\"千代田区\","
                         "\"000000000000\",\"有楽町一丁目\",\"north\",\"139.760000\",\"0\",\"3\"\n"
                         "krvprep: " + masterPath + ":8: no Shift-JIS form for 𩸽: " +
                         Town("0004000", 1, "131016", "千代田区", "𩸽町", "", "") + "\n");
  EXPECT_NE(run.out.find("town 13113 富ケ谷 written as 富ヶ谷 (postal list spelling)"), std::string::npos);
  EXPECT_NE(run.out.find("aza: rows read 14, lines written 8, rows reported 2"), std::string::npos) << run.out;
  for (const char* note : {"abolished rows left out: 1", "municipality-level rows without a town left out: 1",
                           "position rows repeating an earlier one (first kept): 1",
                           "position rows without a row in the town list: 1",
                           "rows merged into an earlier line of the same name: 2", "lines without a point: 1"}) {
    EXPECT_NE(run.out.find(note), std::string::npos) << note;
  }
  // A second run with fewer sources leaves no stale file of the first.
  std::filesystem::remove(isj);
  ASSERT_EQ(RunPrep({src_.string(), out_.string()}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(out_ / "aza" / "13_2023.csv"));
  EXPECT_TRUE(std::filesystem::exists(out_ / "aza" / "13_1947.csv"));
}

TEST_F(SourcesTest, BlocksResidencesAndLotsFromCompressedRegistryFiles) {
  const auto rsdt = src_ / "abr" / "rsdt" / "bunkyo-131059";
  WriteSource(rsdt / "mt_rsdtdsp_rsdt_pref13.csv.xz",
              {kRsdtHeader, Rsdt("002", "005", "", "2", "5", "", "1947-04-17"),
               Rsdt("002", "003", "", "2", "3", "", "1966-10-01"), Rsdt("001", "001", "", "1", "1", "", "1947-04-17"),
               Rsdt("001", "002", "01", "1", "2", "1", "1947-04-17"),
               Rsdt("001", "002", "", "1", "2", "", "1947-04-17"), Rsdt("001", "009", "", "1-2", "9", "", "1947-04-17")},
              false, true);
  WriteSource(rsdt / "mt_rsdtdsp_rsdt_pos_pref13.csv.xz",
              {kRsdtPosHeader, RsdtPos("002", "005", "", "139.7504", "35.7104"),
               RsdtPos("002", "003", "", "139.7502", "35.7102"), RsdtPos("001", "001", "", "139.75", "35.71"),
               RsdtPos("001", "002", "01", "139.9", "35.9"), RsdtPos("001", "002", "", "139.7510", "35.7110")},
              false, true);
  const auto parcel = src_ / "abr" / "parcel" / "yakushima-465054";
  WriteSource(parcel / "mt_parcel_city465054.csv.xz",
              {kParcelHeader, Parcel("0000121", "1", "", "安房", "2", "", ""),
               Parcel("0000121", "2", "", "安房", "2", "乙", ""), Parcel("0000121", "3", "", "安房", "1", "", ""),
               Parcel("0000121", "4", "", "安房", "3", "ﾛ", ""), Parcel("0000121", "5", "", "安房", "3", "1", "2"),
               Parcel("0000121", "6", "", "安房", "10", "", "", "1999-04-01"),
               Parcel("0002000", "7", "一湊", "", "5", "", ""), Parcel("0002000", "8", "一湊", "", "", "", "")},
              false, true);
  WriteSource(parcel / "mt_parcel_pos_city465054.csv.xz",
              {kParcelPosHeader, ParcelPos("0000121", "3", "130.65", "30.31"),
               ParcelPos("0000121", "5", "130.66", "30.32"), ParcelPos("0002000", "7", "130.4", "30.4")},
              false, true);

  const auto run = RunPrep({src_.string(), out_.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadSjisLines(out_ / "gaiku" / "13_1966.csv"),
            (std::vector<std::string>{
                "都道府県名,市区町村名,大字・丁目名,街区符号・地番,,,,緯度,経度,住居表示フラグ,",
                "東京都,文京区,白山一丁目,1,,,,35.710500000,139.750500000,1,",
                "東京都,文京区,白山一丁目,2,,,,35.710300000,139.750300000,1,",
            }));
  EXPECT_EQ(ReadSjisLines(out_ / "jukyo" / "13_gou.txt"), (std::vector<std::string>{
                                                              "東京都,文京区,白山一丁目,1,1,35.71,139.75",
                                                              "東京都,文京区,白山一丁目,1,2,35.7110,139.7510",
                                                              "東京都,文京区,白山一丁目,2,3,35.7102,139.7502",
                                                              "東京都,文京区,白山一丁目,2,5,35.7104,139.7504",
                                                          }));
  EXPECT_EQ(ReadSjisLines(out_ / "gaiku" / "46_1999.csv"),
            (std::vector<std::string>{
                "都道府県名,市区町村名,大字・丁目名,街区符号・地番,,,,緯度,経度,住居表示フラグ,",
                "鹿児島県,屋久島町,安房,1,,,,30.31,130.65,0,",
                "鹿児島県,屋久島町,安房,2,,,,,,0,",
                "鹿児島県,屋久島町,安房,2-乙,,,,,,0,",
                "鹿児島県,屋久島町,安房,3-1,,,,30.32,130.66,0,",
                "鹿児島県,屋久島町,安房,3-ロ,,,,,,0,",
                "鹿児島県,屋久島町,安房,10,,,,,,0,",
                "鹿児島県,屋久島町,一湊,5,,,,30.4,130.4,0,",
            }));
  const std::string rsdtMaster = (rsdt / "mt_rsdtdsp_rsdt_pref13.csv.xz").string();
  const std::string parcelMaster = (parcel / "mt_parcel_city465054.csv.xz").string();
  EXPECT_EQ(run.err, "krvprep: " + rsdtMaster + ":7: block or lot number \"1-2\" cannot be written for blockbuild: " +
                         Rsdt("001", "009", "", "1-2", "9", "", "1947-04-17") + "\n" + "krvprep: " + parcelMaster +
                         ":9: block or lot number \"\" cannot be written for blockbuild: " +
                         Parcel("0002000", "8", "一湊", "", "", "", "") + "\n");
  for (const char* note : {"jukyo: rows read 6, lines written 4, rows reported 1",
                           "rows with a sub-number (rsdt_num2) written as their residence: 1",
                           "gaiku: rows read 8, lines written 9, rows reported 1",
                           "rows with a third number (prc_num3) written as their branch: 1",
                           "lots without a point: 4"}) {
    EXPECT_NE(run.out.find(note), std::string::npos) << note << "\n" << run.out;
  }
}

TEST_F(SourcesTest, MissingFoldersAreNotedAndBadArgumentsRefused) {
  std::filesystem::remove_all(src_ / "postal");
  const auto run = RunPrep({src_.string(), out_.string()});
  EXPECT_EQ(run.status, 0);
  for (const char* note : {"note: no postal/ folder: no postal list written",
                           "note: no isj/town or abr/town files: no section sources written",
                           "note: no abr/rsdt or abr/parcel files: no block or residence sources written"}) {
    EXPECT_NE(run.out.find(note), std::string::npos) << note;
  }
  EXPECT_TRUE(std::filesystem::exists(out_ / "db" / "krv_gyoseimei.csv"));
  EXPECT_TRUE(std::filesystem::exists(out_ / "db" / "krv_variation.csv"));

  EXPECT_EQ(RunPrep({}).status, 2);
  EXPECT_EQ(RunPrep({src_.string()}).status, 2);
  EXPECT_EQ(RunPrep({"--sources", src_.string(), "--out"}).status, 2);
  EXPECT_EQ(RunPrep({"--bogus", src_.string(), out_.string()}).status, 2);
  EXPECT_EQ(RunPrep({(dir_.path() / "nowhere").string(), out_.string()}).status, 1);

  // A damaged xz file is an error of the run; the other outputs are still written.
  const auto broken = src_ / "abr" / "parcel" / "x" / "mt_parcel_city465054.csv.xz";
  WriteSource(broken, {kParcelHeader, Parcel("0000121", "1", "", "安房", "2", "", "")}, false, true);
  std::string bytes = ReadFile(broken.string());
  bytes.resize(bytes.size() / 2);
  WriteFile(broken.string(), bytes);
  const auto damaged = RunPrep({src_.string(), out_.string()});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.err.find("krvprep: error: " + broken.string() + ": truncated xz data"), std::string::npos)
      << damaged.err;
}

TEST_F(SourcesTest, ADamagedPostalListLeavesTheEarlierCopyAsItWas) {
  ASSERT_EQ(RunPrep({src_.string(), out_.string()}).status, 0);
  const auto copy = out_ / "postal" / "KEN_ALL.CSV";
  const std::string good = ReadFile(copy.string());
  ASSERT_FALSE(good.empty());

  // The same list, compressed and cut in the middle of its data.
  std::filesystem::remove(src_ / "postal" / "KEN_ALL.CSV");
  const auto broken = src_ / "postal" / "KEN_ALL.CSV.xz";
  WriteSource(broken, {"13101,\"100  \",\"1000005\",\"ﾄｳｷｮｳﾄ\",\"ｸ\",\"ﾁｮｳ\",\"東京都\",\"千代田区\",\"大手町\",0,0,1,0,0,0"},
              true, true);
  std::string bytes = ReadFile(broken.string());
  bytes.resize(bytes.size() / 2);
  WriteFile(broken.string(), bytes);

  const auto run = RunPrep({src_.string(), out_.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("krvprep: error: " + broken.string() + ": truncated xz data"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find(copy.string() + " left as it was"), std::string::npos) << run.out;
  EXPECT_EQ(ReadFile(copy.string()), good);
  EXPECT_FALSE(std::filesystem::exists(copy.string() + ".tmp"));
}

TEST_F(SourcesTest, AVariationListThatCannotBeReadLeavesTheEarlierOneAsItWas) {
  ASSERT_EQ(RunPrep({src_.string(), out_.string()}).status, 0);
  const auto list = out_ / "db" / "krv_variation.csv";
  const std::string good = ReadFile(list.string());
  ASSERT_FALSE(good.empty());
  const auto missing = dir_.path() / "no-such-list.csv";
  const auto run = RunPrep({"--sources", src_.string(), "--out", out_.string(), "--variation", missing.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot read the variation list " + missing.string()), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(list.string()), good);
}

}  // namespace
}  // namespace krv::test
