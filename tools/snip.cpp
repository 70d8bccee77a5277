#include "geometry/snip.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_snip(bmp::args_of(argc, argv)); }
