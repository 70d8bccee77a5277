#include "composite/join_plain.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_join_plain(bmp::args_of(argc, argv)); }
