#include <gtest/gtest.h>

#include "krvprep_test_util.h"
#include "test_support.h"

namespace krv::test {
namespace {

const char* kCityHeader =
    "lg_code,pref,pref_kana,pref_roma,county,county_kana,county_roma,city,city_kana,city_roma,ward,ward_kana,"
    "ward_roma,efct_date,ablt_date,remarks";
const char* kPosHeader = "lg_code,rep_lon,rep_lat,rep_srid,rep_scale,plygn_fname,plygn_kcode,plygn_fmt,plygn_srid,plygn_scale";

// A registry municipality row.
std::string City(const std::string& code, const std::string& pref, const std::string& county,
                 const std::string& countyKana, const std::string& city, const std::string& cityKana,
                 const std::string& ward = "", const std::string& wardKana = "", const std::string& ablt = "") {
  return code + "," + pref + ",," + "," + county + "," + countyKana + ",," + city + "," + cityKana + ",," + ward +
         "," + wardKana + ",,1947-04-17," + ablt + ",";
}

class AreaListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto areas = dir_.path() / "src" / "areas";
    WriteSource(areas / "mt_pref_all.csv",
                {"lg_code,pref,pref_kana,pref_roma,efct_date,ablt_date,remarks",
                 "010006,北海道,ホッカイドウ,Hokkaido,1947-04-17,,", "130001,東京都,トウキョウト,Tokyo,1947-04-17,,",
                 "470007,沖縄県,オキナワケン,Okinawa,1972-05-15,,"});
    WriteSource(areas / "mt_pref_pos_all.csv", {kPosHeader, "010006,141.25,43.0,EPSG:6668,,,,,,",
                                                "130001,139.75,35.5,EPSG:6668,,,,,,"});
    WriteSource(areas / "mt_city_all.csv",
                {kCityHeader,
                 City("011002", "北海道", "", "", "札幌市", "サッポロシ"),
                 City("011011", "北海道", "", "", "札幌市", "サッポロシ", "中央区", "チュウオウク"),
                 City("012025", "北海道", "", "", "函館市", "ハコダテシ"),
                 City("013030", "北海道", "石狩郡", "イシカリグン", "当別町", "トウベツチョウ"),
                 City("014524", "北海道", "上川郡", "カミカワグン", "鷹栖町", "タカスチョウ"),
                 City("016365", "北海道", "上川郡", "カミカワグン", "清水町", "シミズチョウ"),
                 City("016951", "北海道", "色丹郡", "シコタングン", "色丹村", "シコタンムラ"),
                 City("131016", "東京都", "", "", "千代田区", "チヨダク"),
                 City("133035", "東京都", "西多摩郡", "ニシタマグン", "瑞穂町", "ミズホマチ"),
                 City("133817", "東京都", "", "", "三宅村", "ミヤケムラ"),
                 City("139998", "東京都", "", "", "廃止村", "ハイシムラ", "", "", "2000-01-01"),
                 City("473758", "沖縄県", "宮古郡", "ミヤコグン", "多良間村", "タラマソン")});
    WriteSource(areas / "mt_city_pos_all.csv",
                {kPosHeader, "011002,141.25,43.0,,,,,,,", "013030,141.5,43.25,,,,,,,", "014524,142.25,43.75,,,,,,,",
                 "016365,142.75,43.0,,,,,,,", "133817,139.5,34.0,,,,,,,"});
    // The postal list spells 三宅村 with its island.
    WriteSource(dir_.path() / "src" / "postal" / "KEN_ALL.CSV",
                {"13381,\"10011\",\"1001101\",\"ﾄｳｷｮｳﾄ\",\"ﾐﾔｹｼﾞﾏﾐﾔｹﾑﾗ\",\"ｱｺ\",\"東京都\",\"三宅島三宅村\","
                 "\"阿古\",0,0,0,0,0,0"},
                true);
  }

  TempDir dir_;
};

TEST_F(AreaListTest, WritesTheWholeHierarchyInTheAreaListLayout) {
  const auto run = RunPrep({(dir_.path() / "src").string(), (dir_.path() / "out").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> expected = {
      "行番号,種別,コード,上位コード,名称,よみ,緯度,経度,値1,値2,値3,全国地方公共団体コード,,",
      "2,都道府県名,1000,0,北海道,ほっかいどう,430000.0005,1411500.0005,0,0,0,010006,,",
      "3,郡政令市名,1100,0,札幌市,さっぽろし,430000.0005,1411500.0005,0,0,0,011002,,",
      "4,市区町村名,1101,1100,中央区,ちゅうおうく,0,0,0,0,0,011011,,",
      "5,市区町村名,1202,0,函館市,はこだてし,0,0,0,0,0,012025,,",
      "6,支庁名,1300,0,石狩振興局,いしかりしんこうきょく,431500.0005,1413000.0005,0,0,0,,,",
      "7,郡政令市名,1301,0,石狩郡,いしかりぐん,431500.0005,1413000.0005,0,0,0,,,",
      "8,市区町村名,1303,1301,当別町,とうべつちょう,431500.0005,1413000.0005,0,0,0,013030,,",
      "9,支庁名,1330,0,渡島総合振興局,おしまそうごうしんこうきょく,0,0,0,0,0,,,",
      "10,支庁名,1360,0,檜山振興局,ひやましんこうきょく,0,0,0,0,0,,,",
      "11,支庁名,1390,0,後志総合振興局,しりべしそうごうしんこうきょく,0,0,0,0,0,,,",
      "12,支庁名,1420,0,空知総合振興局,そらちそうごうしんこうきょく,0,0,0,0,0,,,",
      "13,支庁名,1450,0,上川総合振興局,かみかわそうごうしんこうきょく,434500.0005,1421500.0005,0,0,0,,,",
      "14,郡政令市名,1451,0,上川郡,かみかわぐん,434500.0005,1421500.0005,0,0,0,,,",
      "15,市区町村名,1452,1451,鷹栖町,たかすちょう,434500.0005,1421500.0005,0,0,0,014524,,",
      "16,支庁名,1480,0,留萌振興局,るもいしんこうきょく,0,0,0,0,0,,,",
      "17,支庁名,1510,0,宗谷総合振興局,そうやそうごうしんこうきょく,0,0,0,0,0,,,",
      "18,支庁名,1540,0,オホーツク総合振興局,おほーつくそうごうしんこうきょく,0,0,0,0,0,,,",
      "19,支庁名,1570,0,胆振総合振興局,いぶりそうごうしんこうきょく,0,0,0,0,0,,,",
      "20,支庁名,1600,0,日高振興局,ひだかしんこうきょく,0,0,0,0,0,,,",
      "21,支庁名,1630,0,十勝総合振興局,とかちそうごうしんこうきょく,430000.0005,1424500.0005,0,0,0,,,",
      "22,郡政令市名,1631,0,上川郡,かみかわぐん,430000.0005,1424500.0005,0,0,0,,,",
      "23,市区町村名,1636,1631,清水町,しみずちょう,430000.0005,1424500.0005,0,0,0,016365,,",
      "24,支庁名,1660,0,釧路総合振興局,くしろそうごうしんこうきょく,0,0,0,0,0,,,",
      "25,支庁名,1690,0,根室振興局,ねむろしんこうきょく,0,0,0,0,0,,,",
      "26,郡政令市名,1691,0,色丹郡,しこたんぐん,0,0,0,0,0,,,",
      "27,市区町村名,1695,1691,色丹村,しこたんむら,0,0,0,0,0,016951,,",
      "28,都道府県名,13000,0,東京都,とうきょうと,353000.0005,1394500.0005,0,0,0,130001,,",
      "29,市区町村名,13101,0,千代田区,ちよだく,0,0,0,0,0,131016,,",
      "30,郡政令市名,13300,0,西多摩郡,にしたまぐん,0,0,0,0,0,,,",
      "31,市区町村名,13303,13300,瑞穂町,みずほまち,0,0,0,0,0,133035,,",
      "32,支庁名,13360,0,大島支庁,おおしましちょう,0,0,0,0,0,,,",
      "33,支庁名,13380,0,三宅支庁,みやけしちょう,340000.0005,1393000.0005,0,0,0,,,",
      "34,市区町村名,13381,0,三宅島三宅村,みやけむら,340000.0005,1393000.0005,0,0,0,133817,,",
      "35,市区町村名,13381,0,三宅村,みやけむら,340000.0005,1393000.0005,0,0,0,133817,,",
      "36,支庁名,13400,0,八丈支庁,はちじょうしちょう,0,0,0,0,0,,,",
      "37,支庁名,13420,0,小笠原支庁,おがさわらしちょう,0,0,0,0,0,,,",
      "38,都道府県名,47000,0,沖縄県,おきなわけん,0,0,0,0,0,470007,,",
      "39,郡政令市名,47370,0,宮古郡,みやこぐん,0,0,0,0,0,,,",
      "40,市区町村名,47375,47370,多良間村,たらまそん,0,0,0,0,0,473758,,",
  };
  const auto lines = ReadSjisLines(dir_.path() / "out" / "db" / "krv_gyoseimei.csv");
  EXPECT_EQ(lines, expected);
  EXPECT_NE(run.out.find("alias line for 13381 三宅村: 三宅島三宅村 (postal list spelling)"), std::string::npos);
  EXPECT_NE(run.out.find("Hokkaido county 上川郡 spans subprefectures; one county line each, codes 1451 1631"),
            std::string::npos);
  EXPECT_NE(run.out.find("krv_gyoseimei.csv: rows read 15, lines written 39, rows reported 0"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("abolished areas left out: 1"), std::string::npos);
}

TEST_F(AreaListTest, BadRowsAreReportedWithFileAndLine) {
  const auto areas = dir_.path() / "src" / "areas";
  WriteSource(areas / "mt_city_all.csv",
              {kCityHeader, City("01100", "北海道", "", "", "札幌市", "サッポロシ"),
               City("999990", "北海道", "", "", "札幌市", "サッポロシ"),
               City("013030", "北海道", "石狩郡", "イシカリグン", "当別町𩸽", "トウベツチョウ"),
               City("012050", "北海道", "", "", "室", "ムロ")});
  WriteSource(areas / "mt_city_pos_all.csv", {kPosHeader, "013030,141.5,north,,,,,,,"});
  const auto run = RunPrep({"--sources", (dir_.path() / "src").string(), "--out", (dir_.path() / "out").string()});
  EXPECT_EQ(run.status, 0);
  const std::string cities = (areas / "mt_city_all.csv").string();
  const std::string pos = (areas / "mt_city_pos_all.csv").string();
  EXPECT_EQ(run.err,
            "krvprep: " + pos + ":2: no valid rep_lat/rep_lon (area written without a point): 013030,141.5,north,,,,,,,\n" +
                "krvprep: " + cities + ":2: lg_code is not a 6-digit code: " +
                City("01100", "北海道", "", "", "札幌市", "サッポロシ") + "\n" + "krvprep: " + cities +
                ":3: area code outside 1000-47999: " + City("999990", "北海道", "", "", "札幌市", "サッポロシ") +
                "\n" + "krvprep: " + cities +
                ":5: name not 4 to 22 bytes long in Shift-JIS (areabuild would skip it): 1205 室\n" + "krvprep: " +
                cities + ":4: no Shift-JIS form for 𩸽: 1303 当別町𩸽\n");
}

}  // namespace
}  // namespace krv::test
