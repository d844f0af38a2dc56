// The frame shared by the source-directory tools (townbuild, sectbuild,
// blockbuild, housebuild): argument check, DB load, source-directory scan,
// choice of the source type, the start and end lines of every file, the time
// lines, the writing of the outputs and the clean-up.  Each tool describes
// itself with a table of constants (FrameConstants) and its readers and
// writers (a FrameTool); RunFrame drives the run:
//
//   1. fewer than two arguments: the usage line, exit status 2;
//   2. tool.Prepare (working memory);
//   3. krvDbLoad(dbDir, level); a failure prints the load-failure message;
//   4. a source directory longer than 255 bytes is refused;
//   5. the source directory is listed (see ScanSourceDir); no file is refused;
//      then tool.OpenEarlyOutputs;
//   6. the source type is chosen from the first listed path;
//   7. tool.OpenOutputs;
//   8. tool.ResetCounters, the "stat time" line;
//   9. for each listed file: the start line, tool.ReadFile, the end line
//      (a tool whose RunStopped turns true goes to the clean-up);
//  10. tool.WriteOutputs;
//  11. the "end time" line (when the tool prints one);
//  12. krvDbEnd and tool.CleanUp on every path.
// A failing step prints its message and skips to the clean-up.  The exit
// status is 0 when no error message was printed, else 1.
#ifndef KUROVIA_TOOLS_COMMON_FRAME_H
#define KUROVIA_TOOLS_COMMON_FRAME_H

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "db_file.h"
#include "output.h"

namespace krv::tool {

// Longest source directory accepted, in bytes.
inline constexpr std::size_t kMaxSourceDirBytes = 255;

// A listed source file: the path to open, and the lower-cased path used for
// the type test, the file-name rule and the start and end lines.
struct SourcePath {
  std::string path;
  std::string lower;
};

enum class SourceType { kNone = 0, kMain = 1, kSecond = 2 };

struct FrameConstants {
  const char* usage;  // printed as it stands
  int loadLevel;      // krvDbLoad level
  // Load failure: with loadFailureShowsText its %s gets krvDbErrorText(),
  // else its %d gets the krvDbLoad result.
  const char* loadFailure;
  bool loadFailureShowsText;
  const char* directoryTooLong;
  std::size_t maxFiles;
  const char* noFile;
  // Type 1 when the first path's extension contains this (nullptr: the tool
  // has no type 1).
  const char* mainExtension;
  // Type 2 when the extension contains secondExtension and, when
  // secondPathPart is given, the whole path contains it.
  const char* secondExtension;
  const char* secondPathPart;
  const char* unsupportedType;
  // Per-file end line: %s the lower-cased path, then the %d values of
  // FileCounts.
  const char* fileEndLine;
  bool printsEndTime;
};

// The numbers a reader reports for the per-file end line.
struct FileCounts {
  int count = 0;
  int values[2] = {0, 0};
};

class FrameTool {
 public:
  virtual ~FrameTool() = default;
  // Each returns false after printing its failure message; the run then goes
  // to the clean-up.
  virtual bool Prepare(Output&) { return true; }
  virtual bool OpenEarlyOutputs(Output&) { return true; }
  virtual bool OpenOutputs(Output&, SourceType) { return true; }
  virtual void ResetCounters() {}
  virtual FileCounts ReadFile(Output& out, SourceType type, const SourcePath& source) = 0;
  virtual bool WriteOutputs(Output&) = 0;
  // True once the run cannot go on (working memory that cannot be had; the
  // message is printed): the frame skips the rest of the files and the
  // outputs and goes to the clean-up.
  virtual bool RunStopped() const { return false; }
  // Says, with NoteUnwrittenOutput, which outputs the run did not complete;
  // called on every path before CleanUp.
  virtual void NoteUnwrittenOutputs(Output&) {}
  // Releases what the run holds; outputs not committed are abandoned, so the
  // DB files of an earlier build stay as they were.
  virtual void CleanUp() {}
};

// The note after a run that did not complete an output file over the file
// of an earlier build: that file stays as it was.  Nothing for a file that
// was committed, never begun, or has no earlier version.
void NoteUnwrittenOutput(Output& out, const format::DbFileWriter& file);
// The same note for a DB file `target` that the run did not replace.
void NoteUnwrittenOutput(Output& out, const std::string& target);

// Runs the frame.  `args` are the command-line arguments after the program
// name.  Returns the exit status.
int RunFrame(const FrameConstants& constants, FrameTool& tool, const std::vector<std::string>& args,
             Output& out);

// Lists the files of `sourceDir` (directories skipped), sorted by name, at
// most `maxFiles`.  Each path is `sourceDir` + "/" + name; the lower-cased
// form has A-Z as a-z, double-byte characters unchanged.  Empty when the
// directory cannot be listed.
std::vector<SourcePath> ScanSourceDir(const std::string& sourceDir, std::size_t maxFiles);

// The source type of the first listed path (lower-cased).  The extension is
// the text from the last "." of the file name to its end; a name without "."
// has none.
SourceType ChooseSourceType(const FrameConstants& constants, const std::string& lowerPath);

// The local time as 24 characters, "Thu Dec 10 06:13:36 2026".
std::string TimeText(std::time_t when);

// The file-name rule of prefecture-year source files (13_2003.csv): the
// file name without directory and extension read as two decimal integers
// joined by "_".
enum class FileNameCheck { kOk, kBadFormat, kBadPrefecture, kBadYear };
FileNameCheck CheckSourceFileName(const std::string& lowerPath, int* prefNo, int* year);

// The command-line arguments as strings, without the program name.
std::vector<std::string> ArgList(int argc, char** argv);

// A tool's main: chooses the output charset from the terminal, runs `run`
// on the arguments with an output on stdout and stderr, returns its status.
int ToolMain(int argc, char** argv,
             int (*run)(const std::vector<std::string>& args, Output& out));

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_FRAME_H
