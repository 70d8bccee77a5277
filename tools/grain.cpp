#include "pixel/grain.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_grain(bmp::args_of(argc, argv)); }
