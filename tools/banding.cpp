#include "pixel/banding.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_banding(bmp::args_of(argc, argv)); }
