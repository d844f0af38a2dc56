#include "frame.h"
#include "townhash.h"

int main(int argc, char** argv) { return krv::tool::ToolMain(argc, argv, krv::tool::RunTownhash); }
