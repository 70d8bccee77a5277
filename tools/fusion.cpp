#include "composite/fusion.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_fusion(bmp::args_of(argc, argv)); }
