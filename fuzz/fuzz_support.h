// What the fuzz targets share: the address DB they walk, a scratch directory
// and a few helpers to turn fuzz bytes into arguments.
#ifndef KUROVIA_FUZZ_FUZZ_SUPPORT_H
#define KUROVIA_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kurovia.h"

namespace krv::fuzz {

// A small DB written once into the scratch directory, shaped like a real
// one: areas of every kind, towns with and without sections, numbered and
// named blocks and residences, spelling variants, postal codes, place names
// and a character index.
const std::string& FixtureDbDir();

// The address DB the address targets walk: the directory named by
// KRV_FUZZ_DB, else the fixture DB.
const std::string& DbDir();

// Loads the DB in `dir` as deep as it goes, with the place names and the
// character index when it has them.  Aborts when the DB does not load: a
// target without its DB would fuzz nothing.
void LoadDb(const std::string& dir = DbDir());

// A directory of this process under $TMPDIR, removed at exit.
const std::string& ScratchDir();

// Seeds: when KRV_FUZZ_SEEDS names a directory, the targets write inputs
// made from their DB there at start (fuzz/run adds them to the corpus).
bool WritingSeeds();
void WriteSeed(const std::string& name, const std::string& bytes);

// Writes `bytes` to `path` (replacing it).  Aborts when it cannot.
void WriteBytes(const std::string& path, const uint8_t* data, std::size_t size);
void CopyFile(const std::string& from, const std::string& to);

// The DB file names of every id the library loads, for targets that replace
// one of them.
struct DbFile {
  int id;
  const char* name;
};
const std::vector<DbFile>& LoadableDbFiles();

// Address codes of the loaded DB, collected by walking it from the areas
// down (every level, numbered and named blocks and residences), at most
// about `limit` of them.  The walk starts from every area of the DB, or from
// `areas` when given.
std::vector<AdrCode> CollectCodes(std::size_t limit, const std::vector<int32_t>* areas = nullptr);
// CollectCodes of the DB loaded when it is first called.
const std::vector<AdrCode>& KnownCodes();

}  // namespace krv::fuzz

#endif  // KUROVIA_FUZZ_FUZZ_SUPPORT_H
