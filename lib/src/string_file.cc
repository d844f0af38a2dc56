#include "string_file.h"

#include <cstring>

#include "layout.h"

namespace krv {
namespace {
constexpr int kNoFile = 1;  // not a load code: the file does not open
}  // namespace

int StringFile::Load(const char* path) {
  slots_.Reset();
  if (path == nullptr) return 0;
  format::DbFileReader reader;
  format::StringRecHeader header;
  const int opened = reader.Open(path, format::kStringRecId, header, {kNoFile, kHeaderError, kIdError});
  if (opened == kNoFile) return 0;
  if (opened != 0) return opened;
  format::RecordArray<format::StringSlot> slots;
  const int read = reader.Read(slots, static_cast<uint32_t>(header.stringCount), kMemoryError, kReadError);
  if (read != 0) return read;
  slots_ = std::move(slots);
  return 0;
}

const char* StringFile::Get(int64_t ref) const {
  if (ref < 1 || static_cast<uint64_t>(ref) > slots_.size()) return nullptr;
  const format::StringSlot& slot = slots_[static_cast<std::size_t>(ref - 1)];
  if (std::memchr(slot.text, '\0', sizeof slot.text) == nullptr) return nullptr;
  return slot.text;
}

}  // namespace krv
