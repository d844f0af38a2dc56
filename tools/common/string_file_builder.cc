#include "string_file_builder.h"

#include <cstring>

#include "sjis_scan.h"

namespace krv::tool {
namespace {

constexpr std::size_t kSlotText = sizeof(format::StringSlot::text) - 1;

std::string_view SlotText(const format::StringSlot& slot) {
  const void* nul = std::memchr(slot.text, '\0', sizeof slot.text);
  const std::size_t length =
      nul == nullptr ? sizeof slot.text : static_cast<std::size_t>(static_cast<const char*>(nul) - slot.text);
  return std::string_view(slot.text, length);
}

}  // namespace

int StringFileBuilder::Load(const std::string& path) {
  slots_.clear();
  firstReference_.clear();
  changed_ = false;
  if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
    std::fclose(probe);
  } else {
    return 0;
  }
  format::DbFileReader reader;
  format::StringRecHeader header{};
  if (const int rc = reader.Open(path.c_str(), format::kStringRecId, header, {-2, -4, -3}); rc != 0) return rc;
  if (header.stringCount < 0) return -6;
  format::RecordArray<format::StringSlot> slots;
  if (const int rc = reader.Read(slots, static_cast<uint32_t>(header.stringCount), -5, -6); rc != 0) return rc;
  slots_.assign(slots.data(), slots.data() + slots.size());
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    firstReference_.emplace(std::string(SlotText(slots_[i])), static_cast<int32_t>(i + 1));
  }
  return 0;
}

std::string StringFileBuilder::StoredForm(std::string_view name) {
  std::size_t end = 0;
  while (end < name.size()) {
    const std::size_t length = CharLengthAt(name, end);
    if (end + length > kSlotText) break;
    end += length;
  }
  return std::string(name.substr(0, end));
}

int32_t StringFileBuilder::Add(std::string_view name) {
  if (name.size() > kMaxNameBytes) return 0;
  if (!changed_ && !StartFile()) return 0;
  changed_ = true;
  format::StringSlot slot{};
  const std::string text = StoredForm(name);
  std::memcpy(slot.text, text.data(), text.size());
  if (!file_.Write(slot)) return 0;
  slots_.push_back(slot);
  const auto k = static_cast<int32_t>(slots_.size());
  firstReference_.emplace(text, k);
  return k;
}

int32_t StringFileBuilder::Find(std::string_view text) const {
  const auto it = firstReference_.find(std::string(text));
  return it == firstReference_.end() ? 0 : it->second;
}

std::string_view StringFileBuilder::Get(int32_t k) const {
  if (k < 1 || static_cast<std::size_t>(k) > slots_.size()) return {};
  return SlotText(slots_[static_cast<std::size_t>(k) - 1]);
}

format::StringRecHeader StringFileBuilder::Header() const {
  format::StringRecHeader header{};
  format::PutId(header.id, format::kStringRecId);
  header.version = format::kFormatVersion;
  header.slotSize = static_cast<int32_t>(sizeof(format::StringSlot));
  header.stringCount = static_cast<int32_t>(slots_.size());
  return header;
}

bool StringFileBuilder::StartFile() {
  if (outputPath_.empty() || !file_.Create(outputPath_.c_str())) return false;
  return file_.Write(Header()) && file_.Write(slots_.data(), slots_.size());
}

bool StringFileBuilder::Finish() {
  if (!changed_) return true;
  return file_.Seek(0) && file_.Write(Header()) && file_.Commit();
}

}  // namespace krv::tool
