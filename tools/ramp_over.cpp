#include "draw/ramp_over.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_ramp_over(bmp::args_of(argc, argv)); }
