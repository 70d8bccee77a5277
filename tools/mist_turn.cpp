#include "defocus/mist_turn.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_mist_turn(bmp::args_of(argc, argv)); }
