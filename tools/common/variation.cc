#include "variation.h"

#include <array>
#include <cstring>
#include <deque>

#include "fields.h"
#include "kurovia.h"
#include "sjis_scan.h"

namespace krv::tool {
namespace {

constexpr std::size_t kNameBufferSize = 1024;

bool IsComment(std::string_view from) {
  return from.find('#') != std::string_view::npos || ContainsText(from, "\x81\x94");  // ＃
}

std::string KeepSide(std::string_view side) {
  char buffer[VariationList::kMaxSideBytes + 1];
  const std::string text(side);
  krvStrcpy(buffer, text.c_str(), static_cast<int>(sizeof buffer));
  return buffer;
}

}  // namespace

// The expansion proper.  Each level of the recursion works in its own
// buffer; a level's start position is beyond its parent's, so the depth
// never exceeds the 1,023 bytes of a name (and the entry budget is smaller
// still).
class VariantExpander::Impl {
 public:
  explicit Impl(const std::vector<const Variation*>& applied) : applied_(applied) {
    for (const Variation* v : applied_) byFirstByte_[static_cast<unsigned char>(v->from[0])].push_back(v);
  }

  bool Run(const char* name, VariantSink& sink) {
    sink_ = &sink;
    budget_ = kMaxVariantsPerName;
    work_ = 0;
    char* copy = Buffer(0);
    krvStrcpy(copy, name, static_cast<int>(kNameBufferSize));
    return Expand(0, copy, 0);
  }

 private:
  bool Expand(std::size_t start, const char* name, std::size_t depth) {
    if (budget_ <= 0) return false;
    --budget_;
    if (!sink_->Insert(name)) return false;
    const std::string_view text(name);
    std::size_t a = start;
    for (;;) {
      if (a > text.size()) return true;
      work_ += static_cast<long>(applied_.size() * (text.size() - a + 1));
      if (work_ > kMaxExpansionWork) return false;
      // The first character position at or after `a` where a variation's
      // text occurs, and the longest text occurring there.  Only the
      // variations whose text starts with the byte found at a position are
      // tried there.
      std::size_t p = std::string_view::npos;
      std::size_t length = 0;
      for (std::size_t i = 0; i < text.size() && p == std::string_view::npos; i += CharLengthAt(text, i)) {
        if (i < a) continue;
        for (const Variation* v : byFirstByte_[static_cast<unsigned char>(text[i])]) {
          if (text.compare(i, v->from.size(), v->from) != 0) continue;
          p = i;
          if (v->from.size() > length) length = v->from.size();
        }
      }
      if (p == std::string_view::npos || length == 0) return true;
      for (const Variation* v : applied_) {
        if (v->from.size() != length || text.compare(p, length, v->from) != 0) continue;
        char* variant = Buffer(depth + 1);
        std::memcpy(variant, name, p);
        variant[p] = '\0';
        krvStrcat(variant, v->to.c_str(), static_cast<int>(kNameBufferSize));
        krvStrcat(variant, name + p + length, static_cast<int>(kNameBufferSize));
        if (!Expand(p + length, variant, depth + 1)) return false;
      }
      a = p + length;
    }
  }

  char* Buffer(std::size_t depth) {
    while (buffers_.size() <= depth) buffers_.emplace_back();
    return buffers_[depth].data();
  }

  const std::vector<const Variation*>& applied_;
  // The applied variations by the first byte of their text.
  std::array<std::vector<const Variation*>, 256> byFirstByte_;
  VariantSink* sink_ = nullptr;
  int budget_ = 0;
  long work_ = 0;
  // A deque keeps the buffers in place as it grows.
  std::deque<std::array<char, kNameBufferSize>> buffers_;
};

void VariationList::Load(LineReader& reader) {
  variations_.clear();
  applied_.clear();
  std::string_view line;
  while (variations_.size() < kMaxVariations && reader.ReadLine(kPieceBytes, &line)) {
    const std::size_t comma = FindByteChar(line, ',');
    if (comma == kNotFound) continue;
    Variation v;
    v.from = KeepSide(line.substr(0, comma));
    v.to = KeepSide(WithoutLineEnd(line.substr(comma + 1)));
    // A variation without a text to replace could only ever stop the
    // expansion; it is kept like a comment and never applied.
    v.applied = !IsComment(v.from) && !v.from.empty();
    variations_.push_back(std::move(v));
  }
  for (const Variation& v : variations_) {
    if (v.applied) applied_.push_back(&v);
  }
}

bool LoadVariationFile(Output& out, VariationList* list) {
  const char* path = krvDbFilePath(KRV_FILE_VARIATION_CSV);
  if (path == nullptr) {
    out.Error("表記バリエーションファイルのパスを取得できません。");
    return false;
  }
  const std::string fileName(path);
  LineReader reader;
  if (!reader.Open(fileName)) {
    out.Error("表記バリエーションファイルを開けません。 :  FileName = %s\n", {Arg::Path(fileName)});
    return false;
  }
  list->Load(reader);
  return true;
}

VariantExpander::VariantExpander(const VariationList& list)
    : impl_(std::make_unique<Impl>(list.applied())) {}

VariantExpander::~VariantExpander() = default;

bool VariantExpander::Expand(const char* name, VariantSink& sink) { return impl_->Run(name, sink); }

}  // namespace krv::tool
