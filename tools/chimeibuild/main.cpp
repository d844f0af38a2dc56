#include <iostream>

#include "chimeibuild.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cout << "usage: chimeibuild <DB folder> <CSV file>\n";
    return 2;
  }
  return krv::tools::RunChimeiBuild(argv[1], argv[2], std::cout);
}
