// The argument encoding: which encoding the address functions accept and
// return (Shift-JIS, EUC-JP or UTF-8), and the conversions they use on entry
// and on exit.
#ifndef KUROVIA_SRC_ARG_ENCODING_H
#define KUROVIA_SRC_ARG_ENCODING_H

#include <cstddef>

namespace krv {

enum class ArgEncoding { kShiftJis = 0, kEucJp = 1, kUtf8 = 2 };

// Size of the working buffers of the address functions.
inline constexpr std::size_t kTextBufferSize = 1024;

ArgEncoding CurrentArgEncoding();
// Back to Shift-JIS; every krvDbLoad does this.
void ResetArgEncoding();

// Caller text to Shift-JIS.  Returns `text` itself when the argument encoding
// is Shift-JIS, else converts into `buffer` (at most 1,023 bytes and a NUL)
// and returns it; nullptr when the conversion fails.  Allocates nothing.
const char* ArgToSjis(const char* text, char (&buffer)[kTextBufferSize]);

// Shift-JIS result to the argument encoding, into `dst` of `size` bytes.
// The krvCharConv result of the conversion (0, -1 too small, -2 failed);
// with Shift-JIS the text is copied with krvStrcpy and its result returned.
int SjisToArg(const char* sjis, char* dst, int size);

}  // namespace krv

#endif  // KUROVIA_SRC_ARG_ENCODING_H
