#include "pixel/recolor.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_recolor(bmp::args_of(argc, argv)); }
