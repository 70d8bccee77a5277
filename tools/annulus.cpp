#include "geometry/annulus.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_annulus(bmp::args_of(argc, argv)); }
