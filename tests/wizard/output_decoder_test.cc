// Decoding the tools' console output, and the time-limit setting.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <cstdlib>

#include "build_steps.h"
#include "output_decoder.h"
#include "test_support.h"

namespace {

using krv::wizard::OutputDecoder;

QByteArray B(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

TEST(OutputDecoder, CharactersCutBetweenPiecesAreJoined) {
  const std::string utf8 = "住所DB\n";
  const std::string sjis = krv::test::Sjis(utf8);
  for (bool isUtf8 : {true, false}) {
    const std::string bytes = isUtf8 ? utf8 : sjis;
    // Every cut point, the middle of each character included.
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
      OutputDecoder decoder(isUtf8);
      QString text = decoder.Decode(B(bytes.substr(0, cut)));
      text += decoder.Decode(B(bytes.substr(cut)));
      text += decoder.Finish();
      EXPECT_EQ(text, QStringLiteral("住所DB\n")) << isUtf8 << " cut " << cut;
    }
  }
}

TEST(OutputDecoder, InvalidAndUnfinishedBytesBecomeReplacementCharacters) {
  OutputDecoder sjis(false);
  EXPECT_EQ(sjis.Decode(QByteArray("a\x81 b")), QStringLiteral("a\uFFFD b"));
  EXPECT_EQ(sjis.Decode(QByteArray("c\x95")), QStringLiteral("c"));
  EXPECT_EQ(sjis.Finish(), QStringLiteral("\uFFFD"));
  // After Finish the decoder starts afresh.
  EXPECT_EQ(sjis.Decode(B(krv::test::Sjis("表"))), QStringLiteral("表"));

  OutputDecoder utf8(true);
  EXPECT_EQ(utf8.Decode(QByteArray("x\xFFy")), QStringLiteral("x\uFFFDy"));
}

TEST(TimeLimitSeconds, EnvironmentOverride) {
  struct Case {
    const char* value;  // nullptr: unset
    int seconds;
  };
  const Case cases[] = {{nullptr, 600}, {"5", 5}, {"1", 1}, {"0", 600}, {"-3", 600},
                        {"abc", 600},   {"5s", 600}, {"", 600}, {"99999999999", 600}};
  for (const Case& c : cases) {
    if (c.value != nullptr) {
      setenv(krv::wizard::kTimeLimitVariable, c.value, 1);
    } else {
      unsetenv(krv::wizard::kTimeLimitVariable);
    }
    EXPECT_EQ(krv::wizard::TimeLimitSeconds(), c.seconds) << (c.value ? c.value : "(unset)");
  }
  unsetenv(krv::wizard::kTimeLimitVariable);
}

}  // namespace
