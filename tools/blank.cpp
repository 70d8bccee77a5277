#include "draw/blank.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_blank(bmp::args_of(argc, argv)); }
