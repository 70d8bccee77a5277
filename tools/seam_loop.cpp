#include "composite/seam_loop.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_seam_loop(bmp::args_of(argc, argv)); }
