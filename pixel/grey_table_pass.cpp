#include "pixel/grey_table_pass.hpp"

#include "core/bmp_io.hpp"
#include "core/row_loop.hpp"
#include "pixel/point_tables.hpp"

namespace bmp {

void recolour_pixels(std::span<uint8_t> pixels, const GreyColourTable& table) {
  static const LumaTable luma;
  uint8_t* p = pixels.data();
  const size_t count = pixels.size() / 3;
  for (size_t i = 0; i < count; ++i, p += 3) {
    const TableColour& colour = table[static_cast<size_t>(luma.level(p[0], p[1], p[2]))];
    p[0] = colour.blue;
    p[1] = colour.green;
    p[2] = colour.red;
  }
}

void recolour_by_grey(Run& run, InputFile& in, OutputFile& out, const GreyColourTable& table) {
  const HeaderCheck no_signature{.magic = false, .line = SizeLine::infile, .index = 1};
  ImageLayout image = read_bmp_header(in, run.console(), no_signature);
  write_bmp24_header(out, image.width, image.height);
  rewrite_rows24(
      in, image, out, [&](int, int, std::span<uint8_t> pixels) { recolour_pixels(pixels, table); },
      [&](int row) { report_progress(run.console(), row); });
  out.commit();
  size_report(run.console(), SizeReport::star, image.width, image.height);
  run.console().write("\n");
}

}  // namespace bmp
