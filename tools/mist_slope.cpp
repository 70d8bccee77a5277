#include "defocus/mist_slope.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_mist_slope(bmp::args_of(argc, argv)); }
