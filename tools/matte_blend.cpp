#include "composite/matte_blend.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_matte_blend(bmp::args_of(argc, argv)); }
