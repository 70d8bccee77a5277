#include "geometry/twirl32.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_twirl32(bmp::args_of(argc, argv)); }
