// kurovia build: one command from the publishers' files to an address DB.
//
//   kurovia build --sources DIR --db DIR [--work DIR] [--keep-work] [--log FILE]
//
// Runs krvprep, then areabuild, areahash, townbuild, townhash, sectbuild,
// blockbuild and housebuild, each as a child process from the directory of
// the kurovia executable, where the tools sit.  The tools build into a
// staging folder inside the work folder (default: the DB folder's path with
// ".work" appended); only when every step succeeded do the files replace
// those of the DB folder, so a failed build leaves the old DB as it was.
//
// What the sources hold decides what is built:
//  - no area lists: nothing can be built (every level hangs under the areas);
//  - no postal list: townbuild runs on an empty list, so every municipality
//    has its own record and the DB loads at every level, without towns and
//    postal codes;
//  - no town-level data: sectbuild is skipped, unless there are blocks to
//    build, which need the section file: it then runs on an empty list;
//  - no block data: blockbuild and housebuild are skipped;
//  - no residence data: housebuild is skipped, and the residence file that
//    blockbuild wrote (branch numbers of lots) stays.
// DB files of a skipped step are removed from the DB folder, so no file of
// an earlier build is left to disagree with the new ones.
#ifndef KUROVIA_TOOLS_KUROVIA_BUILD_H
#define KUROVIA_TOOLS_KUROVIA_BUILD_H

#include <ostream>
#include <string>

namespace krv::cli {

struct BuildOptions {
  std::string sources;
  std::string db;
  std::string work;     // empty: db + ".work"
  bool keepWork = false;
  std::string log;      // empty: the tools' output goes to `out`
};

// The folder the tools are taken from is `toolDir`.  Returns the exit
// status: 0 built, 1 a step failed (or the folders are unusable).
int RunBuild(const BuildOptions& options, const std::string& toolDir, std::ostream& out, std::ostream& err);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_BUILD_H
