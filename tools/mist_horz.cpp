#include "defocus/mist_horz.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_mist_horz(bmp::args_of(argc, argv)); }
