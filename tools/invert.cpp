#include "pixel/invert.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_invert(bmp::args_of(argc, argv)); }
