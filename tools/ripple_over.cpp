#include "draw/ripple_over.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_ripple_over(bmp::args_of(argc, argv)); }
