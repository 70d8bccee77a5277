#include "core/tool_frame.hpp"
#include "defocus/mist_mask.hpp"

int main(int argc, char** argv) { return bmp::run_mist_mask(bmp::args_of(argc, argv)); }
