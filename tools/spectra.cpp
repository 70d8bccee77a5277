#include "pixel/spectra.hpp"

#include "core/tool_frame.hpp"

int main(int argc, char** argv) { return bmp::run_spectra(bmp::args_of(argc, argv)); }
