// The string file krv_string.rec as blockbuild and housebuild build it: the
// names of named blocks (甲, イ) and of named residences (stored behind
// "＄"), one 16-byte slot each; reference k names slot k, from 1.
//
// The new file is written slot by slot as names come, into a staged file
// (StagedFiles) created at the first name of the run, and gets its final
// count when the run finishes.  The DB's string file itself changes only
// when the run publishes its outputs, so a run that fails part-way, or a run
// without names, leaves it as it was.
#ifndef KUROVIA_TOOLS_COMMON_STRING_FILE_BUILDER_H
#define KUROVIA_TOOLS_COMMON_STRING_FILE_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db_file.h"
#include "layout.h"

namespace krv::tool {

class StringFileBuilder {
 public:
  // Longest name accepted, in bytes (the residence prefix included).
  static constexpr std::size_t kMaxNameBytes = 16;

  StringFileBuilder() = default;
  StringFileBuilder(const StringFileBuilder&) = delete;
  StringFileBuilder& operator=(const StringFileBuilder&) = delete;

  // Starts from the strings of the string file at `path`: names added later
  // follow them.  A file that does not exist holds none.  0, or the code of
  // the failing step (-2 open, -3 ID, -4 header, -5 memory, -6 slots).
  int Load(const std::string& path);

  // The path of the new file (a staged path); it is created at the first
  // Add.
  void SetOutput(std::string path) { outputPath_ = std::move(path); }

  // The text a name is stored as: at most 15 bytes, cut before a
  // double-byte character that would not fit whole.
  static std::string StoredForm(std::string_view name);

  // Appends `name` (every call appends, also a name stored before) and
  // returns its reference.  0 when the name is longer than kMaxNameBytes or
  // the new file cannot be created or written.
  int32_t Add(std::string_view name);

  // Reference of the first string stored as `text`; 0 when none.
  int32_t Find(std::string_view text) const;

  // String k as stored; empty when k is not a reference of the file.
  std::string_view Get(int32_t k) const;

  int32_t count() const { return static_cast<int32_t>(slots_.size()); }
  // True once a name was added in this run: only then is a new file written.
  bool changed() const { return changed_; }

  // Writes the final count into the new file and completes it.  True when
  // nothing was added (no file) or the file is complete.
  bool Finish();
  // Drops the new file.
  void Abandon() { file_.Abandon(); }

 private:
  bool StartFile();
  format::StringRecHeader Header() const;

  std::vector<format::StringSlot> slots_;
  std::unordered_map<std::string, int32_t> firstReference_;
  std::string outputPath_;
  format::DbFileWriter file_;
  bool changed_ = false;
};

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_STRING_FILE_BUILDER_H
