#include "pixel/scramble.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_scramble(bmp::args_of(argc, argv)); }
