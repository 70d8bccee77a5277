#include "draw/scatter.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_scatter(bmp::args_of(argc, argv)); }
