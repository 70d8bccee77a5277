#include "composite/stack_fill.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_stack_fill(bmp::args_of(argc, argv)); }
