#include "draw/quilt.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_quilt(bmp::args_of(argc, argv)); }
