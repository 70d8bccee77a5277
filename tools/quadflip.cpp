#include "geometry/quadflip.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_quadflip(bmp::args_of(argc, argv)); }
