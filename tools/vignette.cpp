#include "draw/vignette.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_vignette(bmp::args_of(argc, argv)); }
