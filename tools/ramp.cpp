#include "draw/ramp.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_ramp(bmp::args_of(argc, argv)); }
