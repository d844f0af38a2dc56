#include "blockbuild.h"
#include "frame.h"

int main(int argc, char** argv) { return krv::tool::ToolMain(argc, argv, krv::tool::RunBlockbuild); }
