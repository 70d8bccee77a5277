#include "draw/disc.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_disc(bmp::args_of(argc, argv)); }
