#include "draw/border.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_border(bmp::args_of(argc, argv)); }
