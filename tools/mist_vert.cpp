#include "defocus/mist_vert.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_mist_vert(bmp::args_of(argc, argv)); }
