#include "frame.h"
#include "housebuild.h"

int main(int argc, char** argv) { return krv::tool::ToolMain(argc, argv, krv::tool::RunHousebuild); }
