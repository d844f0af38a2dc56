// Finding and loading the address DB for the kurovia commands.
//
// The DB folder is, in this order: the --db option, the KUROVIA_DB
// environment variable, or the sample DB that ships with kurovia,
// <directory of the executable>/../share/kurovia/sample-db (the same place in
// the build tree and in an installed tree).
//
// The DB is loaded as deep as its files go, and strictly: a file that is
// there but cannot be read is an error naming the file, never a silently
// shallower DB.
#ifndef KUROVIA_TOOLS_KUROVIA_ADDRESS_DB_H
#define KUROVIA_TOOLS_KUROVIA_ADDRESS_DB_H

#include <ostream>
#include <string>

namespace krv::cli {

// Where the DB comes from, for messages.
enum class DbOrigin { kOption, kEnvironment, kSampleDb };

struct DbLocation {
  std::string path;
  DbOrigin origin = DbOrigin::kOption;
};

// The folder of the sample DB for an executable in `exeDir`.
std::string SampleDbPath(const std::string& exeDir);

DbLocation ChooseDb(const std::string& option, const std::string& environment, const std::string& exeDir);

// The load level that brings in every store whose files the folder holds:
// 1 areas, 2 towns and postal codes, 3 sections, 4 blocks, 5 residences.
// A level counts when any of its files is there, so a missing file below it
// makes the load fail with that file's name.
int DeepestLevelOf(const std::string& dbDir);

// Loads the DB (krvDbLoad) at DeepestLevelOf.  On failure prints what went
// wrong to `err` (prefixed "kurovia: ") and returns false; the library then
// holds nothing.  Returns the level loaded in `level`.
bool LoadDb(const DbLocation& db, std::ostream& err, int* level);

// The message for a failed krvDbLoad `result`, from krvDbErrorText, with the
// file named also where the library's text does not name it.
std::string LoadErrorText(int result);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_ADDRESS_DB_H
