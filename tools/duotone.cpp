#include "pixel/duotone.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_duotone(bmp::args_of(argc, argv)); }
