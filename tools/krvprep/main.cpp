#include <iostream>
#include <string>
#include <vector>

#include "krvprep.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return krv::prep::RunKrvprep(args, std::cout, std::cerr);
}
