// Notation variations (krv_variation.csv) and the expansion of a name into
// every spelling they allow, shared by the area-name and town-name hash
// builders.
//
// A variation is one line "text,replacement" (ケ,ヶ).  Expanding a name
// stores the name itself and, for each occurrence of a variable text, every
// combination of keeping it or replacing it with each of its replacements:
// with ケ,ヶ the name 竜ケ崎市 gives 竜ケ崎市 and 竜ヶ崎市.
#ifndef KUROVIA_TOOLS_COMMON_VARIATION_H
#define KUROVIA_TOOLS_COMMON_VARIATION_H

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "line_reader.h"
#include "output.h"

namespace krv::tool {

struct Variation {
  std::string from;  // at most 29 bytes
  std::string to;    // at most 29 bytes
  bool applied;      // false for comment lines ("#" or "＃" in the first side)
};

class VariationList {
 public:
  VariationList() = default;
  // The applied list points into the list itself.
  VariationList(const VariationList&) = delete;
  VariationList& operator=(const VariationList&) = delete;

  static constexpr std::size_t kMaxVariations = 500;
  static constexpr std::size_t kMaxSideBytes = 29;
  static constexpr std::size_t kPieceBytes = 1022;

  // Reads every variation of an open file: lines without a comma are
  // skipped; reading stops at the 500th variation.
  void Load(LineReader& reader);

  const std::vector<Variation>& variations() const { return variations_; }
  std::size_t applied_count() const { return applied_.size(); }
  const std::vector<const Variation*>& applied() const { return applied_; }

 private:
  std::vector<Variation> variations_;
  std::vector<const Variation*> applied_;
};

// Reads krv_variation.csv of the DB directory set with krvDbSetPath.  False
// after printing the message when its path is not at hand or it cannot be
// opened.
bool LoadVariationFile(Output& out, VariationList* list);

// Receives the names of one expansion, the name itself first.
class VariantSink {
 public:
  virtual ~VariantSink() = default;
  // False when no further entry can be stored; the expansion then stops.
  virtual bool Insert(const char* name) = 0;
};

// Bounds of the expansion of one name (at most 1,023 bytes).  Real names
// give a handful of variants and cost a few thousand byte comparisons; the
// bounds keep a pathological variation list (a replacement that contains
// its own text, hundreds of alternatives for one character, long
// replacements) from running for hours.  A name that needs more stops the
// build like a full table.
inline constexpr int kMaxVariantsPerName = 1024;
// Searches for variation texts, counted as text bytes searched per
// variation (about 10 ms of work).
inline constexpr long kMaxExpansionWork = 4000000;

// Expands names with the applied variations of a list (which must outlive
// it).  One expander serves a whole run: its working buffers are kept.
class VariantExpander {
 public:
  explicit VariantExpander(const VariationList& list);
  ~VariantExpander();
  VariantExpander(const VariantExpander&) = delete;
  VariantExpander& operator=(const VariantExpander&) = delete;

  // Stores `name` and its variants in `sink`.  False when the sink refused
  // an entry or the name went past the bounds above.
  bool Expand(const char* name, VariantSink& sink);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_VARIATION_H
