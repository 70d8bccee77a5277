#include "draw/ripple_plain.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_ripple_plain(bmp::args_of(argc, argv)); }
