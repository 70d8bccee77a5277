#include "draw/patch.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_patch(bmp::args_of(argc, argv)); }
