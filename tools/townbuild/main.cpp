#include "frame.h"
#include "townbuild.h"

int main(int argc, char** argv) { return krv::tool::ToolMain(argc, argv, krv::tool::RunTownbuild); }
