// Shared base of the store tests: a scratch DB directory, and every store
// ended before and after each test (the stores are process-wide).
#ifndef KUROVIA_TESTS_LIB_STORE_FIXTURE_H
#define KUROVIA_TESTS_LIB_STORE_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "db_builder.h"
#include "kurovia.h"
#include "test_support.h"

namespace krv::test {

inline void EndAllStores() {
  GyoseiRecEnd();
  GyoseiHashEnd();
  ChoRecEnd();
  ChoHashEnd();
  AzaRecEnd();
  GaikuRecEnd();
  JukyoRecEnd();
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override { EndAllStores(); }
  void TearDown() override { EndAllStores(); }

  std::string File(const char* name) const { return dir_.File(name); }
  std::string Strings() const { return File("krv_string.rec"); }

  // Loads the stores of the hierarchy from the DB in `dir_`, each expected to
  // succeed.
  void LoadAll() const {
    ASSERT_GE(GyoseiRecLoad(File("krv_gyosei.rec").c_str()), 0);
    ASSERT_EQ(GyoseiHashLoad(File("krv_gyosei.hsh").c_str()), 0);
    ASSERT_GE(ChoRecLoad(File("krv_cho.rec").c_str()), 0);
    ASSERT_EQ(ChoHashLoad(File("krv_cho.hsh").c_str()), 0);
    ASSERT_GE(AzaRecLoad(File("krv_aza.rec").c_str()), 0);
    ASSERT_GE(GaikuRecLoad(File("krv_gaiku.rec").c_str(), Strings().c_str()), 0);
    ASSERT_GE(JukyoRecLoad(File("krv_jukyo.rec").c_str(), Strings().c_str()), 0);
  }

  TempDir dir_;
};

// Bytes from hex text: "67 79 6f" -> "gyo".  Spaces and line breaks are
// ignored.
std::string Hex(const std::string& text);

}  // namespace krv::test

#endif  // KUROVIA_TESTS_LIB_STORE_FIXTURE_H
