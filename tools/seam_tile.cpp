#include "composite/seam_tile.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_seam_tile(bmp::args_of(argc, argv)); }
