#include <iostream>

#include "mojiindex.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cout << "usage: mojiindex <DB folder> <CSV file>\n";
    return 2;
  }
  return krv::tools::RunMojiIndex(argv[1], argv[2], std::cout);
}
