// The notation-variation list: the curated UTF-8 master compiled into the
// tool (data/krv_variation.csv), checked and written as the Shift-JIS
// krv_variation.csv the hash builders read.  Its one-character pairs also
// serve krvprep itself to recognise two spellings of one town name.
#ifndef KUROVIA_TOOLS_KRVPREP_VARIATION_H
#define KUROVIA_TOOLS_KRVPREP_VARIATION_H

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "report.h"
#include "text.h"

namespace krv::prep {

// The master text compiled into the tool.
std::string_view VariationMasterText();

class VariationList {
 public:
  // Reads UTF-8 text, one "first,second" pair a line.  Lines without a comma
  // and lines whose first side holds "#" or "＃" are comments.  Pairs that
  // the hash builders cannot use are reported under `source` and left out:
  // an empty side, a side over 29 bytes in Shift-JIS, a character without a
  // Shift-JIS form, a second side that contains the first (its expansion
  // would never end), a pair given twice, and pairs beyond the 500 lines the
  // builders read.
  void Load(std::string_view utf8, const std::filesystem::path& source, Report& report);

  // The Shift-JIS file: every kept line, LF line ends.
  std::string FileText() const { return fileText_; }
  int pairCount() const { return pairCount_; }
  int lineCount() const { return lineCount_; }

  // Maps every character to one representative of the characters the
  // one-character pairs make equivalent (ケ ヶ ヵ が -> one of them), so
  // Fold(a) == Fold(b) when a and b differ only by such spellings.
  std::string Fold(std::string_view utf8) const;

 private:
  char32_t Find(char32_t c) const;
  void Join(char32_t a, char32_t b);

  std::string fileText_;
  int pairCount_ = 0;
  int lineCount_ = 0;
  std::map<char32_t, char32_t> parent_;
};

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_VARIATION_H
