#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  krv::cli::Environment env;
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  env.exeDir = !ec ? self.parent_path().string()
                   : std::filesystem::absolute(argv[0], ec).parent_path().string();
  if (const char* db = std::getenv("KUROVIA_DB")) env.kuroviaDb = db;
  env.errIsTerminal = ::isatty(STDERR_FILENO) != 0;
  env.inIsTerminal = ::isatty(STDIN_FILENO) != 0;
  struct stat info {};
  if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode)) env.inputBytes = static_cast<uint64_t>(info.st_size);

  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = krv::cli::RunKurovia(args, std::cin, std::cout, std::cerr, env);
  std::cout.flush();
  return status;
}
