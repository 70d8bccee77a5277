#include "geometry/joggle.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_joggle(bmp::args_of(argc, argv)); }
