#include "defocus/mist_mask.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_mist_mask(bmp::args_of(argc, argv)); }
