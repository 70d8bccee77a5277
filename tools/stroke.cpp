#include "draw/stroke.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_stroke(bmp::args_of(argc, argv)); }
