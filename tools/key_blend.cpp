#include "composite/key_blend.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_key_blend(bmp::args_of(argc, argv)); }
