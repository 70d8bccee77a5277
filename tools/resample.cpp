#include "geometry/resample.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_resample(bmp::args_of(argc, argv)); }
