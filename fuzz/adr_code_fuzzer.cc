// Address codes of any value through the functions that read them: code to
// text (each argument encoding, any buffer sizes), code to point, counting and
// listing children, fetching records.
//
// Input: a choice of a known code of the DB to start from (so the deep levels
// are reached), six field values that replace or adjust its fields, buffer
// sizes and capacities.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "kurovia.h"

namespace {

const char* const kEncodings[] = {"Shift_JIS", "EUC-JP", "UTF-8"};

void Check(bool holds) {
  if (!holds) std::abort();
}

int32_t Field(FuzzedDataProvider& in, int32_t known) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return known;
    case 1: return known + in.ConsumeIntegralInRange<int32_t>(-3, 3);
    case 2: return in.ConsumeIntegralInRange<int32_t>(-2, 300);
    default: return in.ConsumeIntegral<int32_t>();
  }
}

// A buffer of exactly `size` bytes, so that a write past it is caught.
std::vector<char> Buffer(int size) { return std::vector<char>(size > 0 ? static_cast<std::size_t>(size) : 0); }

bool Terminated(const std::vector<char>& buffer) {
  return std::memchr(buffer.data(), '\0', buffer.size()) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  krv::fuzz::LoadDb();
  krv::fuzz::KnownCodes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto& known = krv::fuzz::KnownCodes();
  const AdrCode base = known[in.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
  AdrCode code;
  code.level = Field(in, base.level);
  code.gyoseiCode = Field(in, base.gyoseiCode);
  code.choCode = Field(in, base.choCode);
  code.azaCode = Field(in, base.azaCode);
  code.gaikuCode = Field(in, base.gaikuCode);
  code.jukyoCode = Field(in, base.jukyoCode);

  const int encoding = in.ConsumeIntegralInRange<int>(0, 2);
  const int nameSize = in.ConsumeIntegralInRange<int>(-1, 300);
  const int readingSize = in.ConsumeIntegralInRange<int>(-1, 300);
  const int capacity = in.ConsumeIntegralInRange<int>(-1, 40);
  const int recordSize = in.ConsumeIntegralInRange<int>(-1, 100);

  Check(krvSetArgEncoding(kEncodings[encoding]) == 0);
  std::vector<char> name = Buffer(nameSize);
  std::vector<char> reading = Buffer(readingSize);
  const int level = krvAdrCode2Str(&code, name.data(), nameSize, reading.data(), readingSize);
  if (level > 0 && encoding == 0) {
    if (nameSize > 0) Check(Terminated(name));
    if (readingSize > 0) Check(Terminated(reading));
  }
  krvSetArgEncoding("Shift_JIS");

  double x = 0;
  double y = 0;
  krvAdrCode2Point(&code, &x, &y);

  const int count = krvGetNumAdrRecords(&code);
  std::vector<int32_t> list(capacity > 0 ? static_cast<std::size_t>(capacity) : 0);
  const int listed = krvGetAdrRecordList(&code, list.data(), capacity);
  Check(listed < 0 || listed <= capacity || capacity < 0);
  if (count >= 0 && listed >= 0 && capacity >= 0) Check(listed <= count);

  std::vector<char> record = Buffer(recordSize);
  krvGetAdrRecord(&code, record.data(), recordSize);
  return 0;
}
