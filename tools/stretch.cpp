#include "pixel/stretch.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_stretch(bmp::args_of(argc, argv)); }
