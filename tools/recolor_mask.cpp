#include "pixel/recolor_mask.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_recolor_mask(bmp::args_of(argc, argv)); }
