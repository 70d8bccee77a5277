#include "core/tool_frame.hpp"
#include "pixel/invert.hpp"

int main(int argc, char** argv) { return bmp::run_invert(bmp::args_of(argc, argv)); }
