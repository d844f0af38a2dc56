// Running a build tool as a child process and passing on what it prints.
#ifndef KUROVIA_TOOLS_KUROVIA_CHILD_PROCESS_H
#define KUROVIA_TOOLS_KUROVIA_CHILD_PROCESS_H

#include <ostream>
#include <string>
#include <vector>

namespace krv::cli {

struct ChildResult {
  bool started = false;
  // The exit status when the child exited, 128 + the signal number when a
  // signal ended it.
  int status = 0;
  // Why it could not be started, or which signal ended it.
  std::string message;
  // The last lines it printed (for a short report after a failure).
  std::string tail;
};

// Runs `program` with `args` (argv[1]...), the standard input read from
// /dev/null, its standard output and standard error joined in one pipe whose
// bytes are copied to `out` as they come (nothing when `out` is null), and
// waits for it.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args, std::ostream* out);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_CHILD_PROCESS_H
