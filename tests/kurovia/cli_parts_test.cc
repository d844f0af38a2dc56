// The parts of kurovia that need no DB: code and postal-code syntax, the
// output formats, the line reader, walking characters of each encoding and
// the progress line.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "code_text.h"
#include "kurovia.h"
#include "line_input.h"
#include "progress.h"
#include "table_writer.h"
#include "test_support.h"
#include "text_encoding.h"

namespace krv::test {
namespace {

using namespace krv::cli;

bool SameCode(const AdrCode& a, const AdrCode& b) {
  return a.level == b.level && a.gyoseiCode == b.gyoseiCode && a.choCode == b.choCode && a.azaCode == b.azaCode &&
         a.gaikuCode == b.gaikuCode && a.jukyoCode == b.jukyoCode;
}

TEST(CodeText, ReadsColonFormsAndSeparateNumbers) {
  struct Case {
    std::vector<std::string> words;
    AdrCode expected;
  };
  const Case cases[] = {
      {{"8:13105:12:3:4:5"}, {8, 13105, 12, 3, 4, 5}},
      {{"5:13105:12"}, {5, 13105, 12, 0, 0, 0}},
      {{"4:13105"}, {4, 13105, 0, 0, 0, 0}},
      {{"7:8302:3:1:-1"}, {7, 8302, 3, 1, -1, 0}},
      {{"8", "13105", "12", "3", "4", "5"}, {8, 13105, 12, 3, 4, 5}},
      {{"7", "8302", "3", "1", "-1"}, {7, 8302, 3, 1, -1, 0}},
  };
  for (const Case& c : cases) {
    const auto code = ParseCode(c.words);
    ASSERT_TRUE(code.has_value()) << c.words[0];
    EXPECT_TRUE(SameCode(*code, c.expected)) << c.words[0];
    // What FormatCode writes reads back as the same code.
    const auto again = ParseCode({std::string(FormatCode(*code).view())});
    ASSERT_TRUE(again.has_value());
    EXPECT_TRUE(SameCode(*again, c.expected));
  }
  EXPECT_EQ(FormatCode(AdrCode{8, 13105, 12, 3, 4, 5}).view(), "8:13105:12:3:4:5");
}

TEST(CodeText, RefusesWhatIsNoCode) {
  const std::vector<std::vector<std::string>> bad = {
      {"8"},          {"13105"},     {""},           {"8:13105:12:3:4:5:6"}, {"0:13105"},
      {"9:13105"},    {"8:131O5"},   {"8::12"},      {"8:13105:"},           {"a:b"},
      {"8", "x"},     {"8:99999999999"}, {"1", "2", "3", "4", "5", "6", "7"},
  };
  for (const auto& words : bad) EXPECT_FALSE(ParseCode(words).has_value()) << words[0];
}

TEST(CodeText, ReadsPostalCodesInTheirCommonForms) {
  for (const char* text : {"1000005", "100-0005", "１００－０００５", "１０００００５", "〒100-0005", "100‐0005",
                           "100ー0005", "〒１００－０００５"}) {
    const auto code = ParsePostalCodeSjis(Sjis(text));
    ASSERT_TRUE(code.has_value()) << text;
    EXPECT_EQ(*code, 1000005) << text;
  }
  EXPECT_EQ(ParsePostalCodeSjis("0600000"), 600000);
  for (const char* text : {"", "100000", "10000050", "10-00005", "1000-005", "100--0005", "100-000a", "abc",
                           "100 0005", "-1000005", "1000005-"}) {
    EXPECT_FALSE(ParsePostalCodeSjis(Sjis(text)).has_value()) << text;
  }
  EXPECT_EQ(FormatPostalCode(600000), "060-0000");
  EXPECT_EQ(FormatPostalCode(1000005), "100-0005");
}

std::string Table(TableFormat format, Encoding encoding, const std::vector<std::string>& texts) {
  std::ostringstream out;
  {
    TableWriter writer(out, format, encoding, {"a", "n", "lat"});
    writer.WriteHeader();
    for (const auto& text : texts) {
      writer.Text(text);
      writer.Integer(-12);
      writer.Degrees(text.empty() ? std::nullopt : std::optional<double>(35.5));
      writer.EndRow();
    }
  }
  return out.str();
}

TEST(TableWriter, TsvKeepsEveryRowOneLineOfTheSameWidth) {
  EXPECT_EQ(Table(TableFormat::kTsv, Encoding::kUtf8, {"x\ty\r\nz", ""}),
            "a\tn\tlat\n"
            "x y  z\t-12\t35.5\n"
            "\t-12\t\n");
}

TEST(TableWriter, CsvQuotesAsRfc4180) {
  EXPECT_EQ(Table(TableFormat::kCsv, Encoding::kUtf8, {"plain", "a,b", "say \"hi\"", "two\nlines"}),
            "a,n,lat\r\n"
            "plain,-12,35.5\r\n"
            "\"a,b\",-12,35.5\r\n"
            "\"say \"\"hi\"\"\",-12,35.5\r\n"
            "\"two\nlines\",-12,35.5\r\n");
}

TEST(TableWriter, JsonLinesEscapeTextAndKeepShiftJisWhole) {
  EXPECT_EQ(Table(TableFormat::kJsonLines, Encoding::kUtf8, {"q\"b\\t\tc\x01", ""}),
            "{\"a\":\"q\\\"b\\\\t\\tc\\u0001\",\"n\":-12,\"lat\":35.5}\n"
            "{\"a\":\"\",\"n\":-12,\"lat\":null}\n");
  // Invalid UTF-8 is shown as U+FFFD, one per bad byte.
  EXPECT_EQ(Table(TableFormat::kJsonLines, Encoding::kUtf8, {"a\xFF\xE3\x81"}),
            "{\"a\":\"a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",\"n\":-12,\"lat\":35.5}\n");
  // 表 and ソ end in 0x5C, the backslash: it belongs to the character.
  const std::string sjis = Sjis("表ソ\\");
  EXPECT_EQ(Table(TableFormat::kJsonLines, Encoding::kSjis, {sjis}),
            "{\"a\":\"" + Sjis("表ソ") + "\\\\\",\"n\":-12,\"lat\":35.5}\n");
}

TEST(TableWriter, DegreesGiveBackTheStoredMillisecondsOfArc) {
  std::ostringstream out;
  {
    TableWriter writer(out, TableFormat::kTsv, Encoding::kUtf8, {"lat"});
    for (const int32_t ms : {128452449, 503130250, 0, -3600000, 1}) {
      writer.Degrees(ms / 3600000.0);
      writer.EndRow();
    }
  }
  EXPECT_EQ(out.str(), "35.6812358\n139.7584028\n0.0\n-1.0\n0.0000003\n");
  std::istringstream back(out.str());
  for (const int32_t ms : {128452449, 503130250}) {
    double degrees = 0;
    back >> degrees;
    EXPECT_EQ(static_cast<int32_t>(std::lround(degrees * 3600000)), ms);
  }
}

std::vector<std::string> ReadLines(const std::string& input, std::size_t block) {
  std::istringstream in(input);
  LineInput lines(in, block);
  std::vector<std::string> result;
  std::string_view line;
  while (lines.Next(&line)) result.emplace_back(line);
  EXPECT_EQ(lines.bytes_read(), input.size());
  return result;
}

TEST(LineInput, SplitsLinesWhateverTheBlockSize) {
  const std::string input = "\xEF\xBB\xBF" "first\r\nsecond\n\n" + std::string(100, 'x') + "\nlast";
  const std::vector<std::string> expected = {"first", "second", "", std::string(100, 'x'), "last"};
  for (const std::size_t block : {16, 17, 31, 64, 1 << 20}) EXPECT_EQ(ReadLines(input, block), expected) << block;
  EXPECT_TRUE(ReadLines("", 16).empty());
  EXPECT_EQ(ReadLines("\n", 16), std::vector<std::string>{""});
  EXPECT_EQ(ReadLines("a\r", 16), std::vector<std::string>{"a"});
  // A byte-order mark is dropped only at the very start.
  EXPECT_EQ(ReadLines("a\n\xEF\xBB\xBF" "b\n", 16), (std::vector<std::string>{"a", "\xEF\xBB\xBF" "b"}));
}

std::string Euc(const std::string& utf8) {
  const std::string sjis = Sjis(utf8);
  std::string euc(sjis.size() * 2 + 1, '\0');
  EXPECT_EQ(krvCharConv(0, sjis.c_str(), euc.data(), static_cast<int>(euc.size())), 0);
  euc.resize(std::char_traits<char>::length(euc.c_str()));
  return euc;
}

TEST(TextEncoding, SkipsCharactersAsTheLibraryCountsThem) {
  // The same text in each encoding: 8 characters, half-width katakana among them.
  const std::string utf8 = "東京都ｱ1番A号";
  struct Case {
    Encoding encoding;
    std::string text;
  };
  const Case cases[] = {{Encoding::kUtf8, utf8}, {Encoding::kSjis, Sjis(utf8)}, {Encoding::kEucJp, Euc(utf8)}};
  for (const Case& c : cases) {
    const auto in = [&](const std::string& u) {
      return c.encoding == Encoding::kUtf8 ? u : c.encoding == Encoding::kSjis ? Sjis(u) : Euc(u);
    };
    EXPECT_EQ(SkipChars(c.encoding, c.text, 3), in("ｱ1番A号"));
    EXPECT_EQ(SkipChars(c.encoding, c.text, 7), in("号"));
    EXPECT_TRUE(SkipChars(c.encoding, c.text, 8).empty());
    EXPECT_TRUE(SkipChars(c.encoding, c.text, 99).empty());
    EXPECT_TRUE(IsValidText(c.encoding, c.text));
  }
}

TEST(TextEncoding, TellsInvalidText) {
  EXPECT_FALSE(IsValidText(Encoding::kUtf8, "a\xE3\x81"));
  EXPECT_FALSE(IsValidText(Encoding::kUtf8, "\xC0\xAF"));        // overlong
  EXPECT_FALSE(IsValidText(Encoding::kUtf8, "\xED\xA0\x80"));    // surrogate
  EXPECT_FALSE(IsValidText(Encoding::kUtf8, std::string("a\0b", 3)));
  EXPECT_FALSE(IsValidText(Encoding::kSjis, "\x93"));            // lead byte at the end
  EXPECT_FALSE(IsValidText(Encoding::kSjis, "\x93\x20"));        // lead byte without trail byte
  EXPECT_FALSE(IsValidText(Encoding::kSjis, "\x80"));
  EXPECT_TRUE(IsValidText(Encoding::kSjis, "\xB1\x93\x8C"));     // ｱ東
  EXPECT_FALSE(IsValidText(Encoding::kEucJp, "\xC5"));
  EXPECT_FALSE(IsValidText(Encoding::kEucJp, "\x8E\x41"));
  EXPECT_FALSE(IsValidText(Encoding::kEucJp, "\xA0\xA1"));
  EXPECT_TRUE(IsValidText(Encoding::kEucJp, "\x8E\xB1\xC5\xEC\x8F\xA2\xAF"));
}

TEST(Progress, ShowsShareRateAndTimeLeft) {
  EXPECT_EQ(Progress::Line(500000, 250, 1000, 10.0), "[#####---------------]  25.0%  500,000 lines  50,000/s  ETA 0:30");
  EXPECT_EQ(Progress::Line(1234567, 99, 0, 2.0), "1,234,567 lines  617,283/s");
  EXPECT_EQ(Progress::Line(0, 0, 0, 0.0), "0 lines");
  EXPECT_EQ(ClockTime(3725), "1:02:05");
  EXPECT_EQ(GroupDigits(999), "999");
  EXPECT_EQ(GroupDigits(1000), "1,000");
}

}  // namespace
}  // namespace krv::test
