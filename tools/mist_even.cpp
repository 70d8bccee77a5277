#include "defocus/mist_even.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_mist_even(bmp::args_of(argc, argv)); }
