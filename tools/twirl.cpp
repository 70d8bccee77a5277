#include "geometry/twirl.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_twirl(bmp::args_of(argc, argv)); }
