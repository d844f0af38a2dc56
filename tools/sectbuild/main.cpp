#include "frame.h"
#include "sectbuild.h"

int main(int argc, char** argv) { return krv::tool::ToolMain(argc, argv, krv::tool::RunSectbuild); }
