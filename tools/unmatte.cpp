#include "composite/unmatte.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_unmatte(bmp::args_of(argc, argv)); }
