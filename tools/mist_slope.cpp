#include "core/tool_frame.hpp"
#include "defocus/mist_slope.hpp"

int main(int argc, char** argv) { return bmp::run_mist_slope(bmp::args_of(argc, argv)); }
