// kurovia, the command-line client of the address library: the commands
// geocode, reverse, postal, children and build (see Usage()).
#ifndef KUROVIA_TOOLS_KUROVIA_CLI_H
#define KUROVIA_TOOLS_KUROVIA_CLI_H

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace krv::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a DB that does not load, a code not found, a failed build
inline constexpr int kExitUsage = 2;    // a bad command line

// What the process knows about its surroundings.
struct Environment {
  std::string exeDir;     // directory of the kurovia executable (tools and sample DB)
  std::string kuroviaDb;  // the KUROVIA_DB environment variable, empty when unset
  bool errIsTerminal = false;
  bool inIsTerminal = false;
  uint64_t inputBytes = 0;  // size of the standard input when it is a regular file
};

// The usage text.
std::string Usage();

// Runs kurovia on `args` (the arguments after the program name).  Returns the
// exit status.
int RunKurovia(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
               const Environment& env);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_CLI_H
