/*
 * dlgutil.h - small user-interface helpers of the kurovia build front-end:
 * a folder chooser, a path splitter and calendar date <-> Julian day.
 *
 * libdlgutil.so exports exactly the four functions below with C linkage.
 * Callers may link it or, as dbwizard does, load it by file name and bind the
 * functions by name (the typedefs below give their types).
 *
 * Conventions
 *  1. Texts are NUL-terminated byte strings.  Titles and the paths given to
 *     SplitPath are Shift-JIS (code page 932); the folders of SelectFolder are
 *     file-system paths, bytes as the file system gives them.
 *  2. Output buffers belong to the caller.  A null output pointer is skipped.
 *  3. Nothing here throws or prints.
 *  4. SelectFolder needs the running QApplication of the calling program and
 *     must be called from its GUI thread.  The date functions and SplitPath
 *     keep no state and may be called from any thread.
 */
#ifndef DLGUTIL_H
#define DLGUTIL_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(DLGUTIL_BUILDING)
#define DLGUTIL_API __declspec(dllexport)
#else
#define DLGUTIL_API __declspec(dllimport)
#endif
#else
#define DLGUTIL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Opens a modal folder chooser (Qt's own QFileDialog, folders only) titled
 * `title` (Shift-JIS; may be null) on the folder `initial` (may be null or
 * empty: the dialog then opens on the current directory).  `owner` is the
 * parent QWidget* or null.
 *
 * On return `result` holds the chosen folder, NUL-padded to `size` bytes, or
 * the empty string when the user cancelled, when the path does not fit in
 * size - 1 bytes, or when no QApplication runs in this thread.  Nothing is
 * written when `result` is null or `size` is not positive.  Callers pass a
 * buffer of at least 260 bytes.
 *
 * Test hook: when the environment variable KRV_SELECT_FOLDER_ANSWER is set,
 * no dialog opens and its value is taken as the user's answer (the empty
 * value stands for cancel).  Tests use it to drive callers of this function.
 */
DLGUTIL_API void SelectFolder(void* owner, const char* title, const char* initial, char* result,
                              int32_t size);

/*
 * Splits a Windows or POSIX path (Shift-JIS) into drive ("C:" when the second
 * byte is a colon), directory (through the last '\\' or '/'), base name (up
 * to the last dot after the directory) and extension (from that dot).  Double-
 * byte characters are stepped over whole, so a trail byte is never taken for
 * a separator or a dot.  Each output may be null; buffers must hold at least
 * 3 (drive) and 256 bytes (the others).  A part longer than its buffer is
 * cut on a character boundary.  A null path gives four empty parts.
 */
DLGUTIL_API void SplitPath(const char* path, char* drive, char* dir, char* name, char* ext);

/*
 * Julian day of year-month-day at 0 h (a value ending in .5).  The Gregorian
 * correction is applied to every date, also before 1582-10-15.
 */
DLGUTIL_API double Date2JulianDay(int32_t year, int32_t month, int32_t day);

/*
 * Calendar date of Julian day `jd`; day numbers below 2299161 are read in the
 * Julian calendar.  Returns the weekday of the integer part of `jd`,
 * (trunc(jd) + 2) mod 7 with the sign of the dividend: 0 = Sunday ... 6 =
 * Saturday for positive days.  A `jd` that is not finite or whose year does
 * not fit in 32 bits stores 0 in all three outputs and returns -7.
 */
DLGUTIL_API int32_t JulianDay2Date(double jd, int32_t* year, int32_t* month, int32_t* day);

/* Function types for binding by name at run time. */
typedef void (*SelectFolderProc)(void* owner, const char* title, const char* initial, char* result,
                                 int32_t size);
typedef void (*SplitPathProc)(const char* path, char* drive, char* dir, char* name, char* ext);
typedef double (*Date2JulianDayProc)(int32_t year, int32_t month, int32_t day);
typedef int32_t (*JulianDay2DateProc)(double jd, int32_t* year, int32_t* month, int32_t* day);

#ifdef __cplusplus
}
#endif

#endif /* DLGUTIL_H */
