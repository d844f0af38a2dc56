#include "staged_files.h"

#include <cstdio>
#include <system_error>
#include <filesystem>

namespace krv::tool {

StagedFiles::~StagedFiles() { Abandon(); }

std::string StagedFiles::Stage(const std::string& target) {
  for (const Entry& e : entries_) {
    if (e.target == target) return e.staged;
  }
  entries_.push_back(Entry{target, target + ".new"});
  // A file left by an interrupted run is never published by this one.
  std::remove(entries_.back().staged.c_str());
  return entries_.back().staged;
}

int StagedFiles::Publish() {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    std::error_code ec;
    if (!std::filesystem::exists(e.staged, ec)) continue;
    if (std::rename(e.staged.c_str(), e.target.c_str()) != 0) {
      entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(i));
      Abandon();
      return static_cast<int>(i);
    }
  }
  entries_.clear();
  return -1;
}

std::vector<std::string> StagedFiles::Pending() const {
  std::vector<std::string> targets;
  for (const Entry& e : entries_) targets.push_back(e.target);
  return targets;
}

void StagedFiles::Abandon() {
  for (const Entry& e : entries_) std::remove(e.staged.c_str());
  entries_.clear();
}

}  // namespace krv::tool
