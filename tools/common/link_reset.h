// Links between the loaded town and section records and the files a run
// rewrites.
//
// sectbuild rewrites the section file and blockbuild the block file whole,
// so every table index an earlier run stored in a town or section record
// points into a file that no longer exists: the table at that index now
// belongs to some other town or section (the lookups by index would read
// its sections or blocks).  A run clears those links before it sets its own.
#ifndef KUROVIA_TOOLS_COMMON_LINK_RESET_H
#define KUROVIA_TOOLS_COMMON_LINK_RESET_H

namespace krv::tool {

// Sets azaIndex of every loaded town record to 0 (ChoRecPut).
void ClearTownSectionLinks();

// Sets gaikuIndex of every loaded town record and of every section record
// reachable from a town to 0 (ChoRecPut, AzaRecPut).
void ClearBlockLinks();

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_LINK_RESET_H
