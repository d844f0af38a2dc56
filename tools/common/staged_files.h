// The DB files a run replaces, put in place together at its end.
//
// A tool that rewrites several DB files that point into each other (town
// records into the section file, blocks into the residence file) writes each
// new file complete beside its target first ("<target>.new"), through
// DbFileWriter or a store's Save function.  Only when every one of them is
// complete are they renamed over their targets, one right after the other.
// A run that fails before that leaves every DB file as it was; the staged
// files are removed.
#ifndef KUROVIA_TOOLS_COMMON_STAGED_FILES_H
#define KUROVIA_TOOLS_COMMON_STAGED_FILES_H

#include <cstddef>
#include <string>
#include <vector>

namespace krv::tool {

class StagedFiles {
 public:
  StagedFiles() = default;
  ~StagedFiles();  // removes what was staged and not published
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // The path to write the new content of `target` to.  Staging the same
  // target twice gives the same path once.
  std::string Stage(const std::string& target);

  // Renames every staged file that exists over its target, in staging
  // order.  Returns the number of the first target whose rename failed (its
  // staged file and those after it are removed), or -1 when all are in
  // place.
  int Publish();

  // Removes every staged file.
  void Abandon();

  // The targets staged and not put in place (yet).
  std::vector<std::string> Pending() const;

 private:
  struct Entry {
    std::string target;
    std::string staged;
  };
  std::vector<Entry> entries_;
};

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_STAGED_FILES_H
