#include "pixel/maskhide.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_maskhide(bmp::args_of(argc, argv)); }
