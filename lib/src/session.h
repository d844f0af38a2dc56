// The address DB session: the DB directory, the names of the DB files, the
// loaded marks, the result of the last load and the file it visited last.
// krvDbLoad and krvDbEnd (db_load.cc) drive it; krvDbErrorText reads it.
#ifndef KUROVIA_SRC_SESSION_H
#define KUROVIA_SRC_SESSION_H

#include <cstddef>

namespace krv {

inline constexpr int kFirstDbFileId = 1;
inline constexpr int kLastDbFileId = 16;
// The DB directory may hold at most this many bytes.
inline constexpr std::size_t kMaxDbPathBytes = 255;

// File name of DB file `id` ("krv_gyosei.rec", ...); nullptr outside 1..16.
const char* DbFileName(int id);

// Writes the DB directory, '/' and the file name of `id` into `out` (at
// most `size` bytes with the NUL).  False for an unknown id, and when the
// path had to be cut to fit.
bool DbFullPath(int id, char* out, std::size_t size);

// krvDbSetPath: 0, or -1 when `path` is NULL or longer than 255 bytes.
int SessionSetPath(const char* path);

bool SessionIsLoaded(int id);
void SessionMarkLoaded(int id, bool loaded);

// The current file path: the DB file a load visited last (after a failed
// load, the file that failed).
void SessionSetCurrentFile(int id);
const char* SessionCurrentFile();

// The last load result.  For a store failure also the file id and the
// store's own code, so the error text can word string-file failures of the
// block and residence stores (-8..-11) that fall into the next file's band.
void SessionSetLastResult(int result, int failedId = 0, int storeCode = 0);
int SessionLastResult();

}  // namespace krv

#endif  // KUROVIA_SRC_SESSION_H
