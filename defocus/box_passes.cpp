#include "defocus/box_passes.hpp"

#include <vector>

#include "core/temp_files.hpp"
#include "core/tool_frame.hpp"
#include "defocus/fractional_box.hpp"

namespace bmp {
namespace {

void blur_pass(Console& console, FractionalBox& box, const BoxSource& source,
               OutputFile& destination, const RowRadii& row_radii) {
  box.set_source(source);
  std::vector<double> radii(static_cast<size_t>(source.width));
  for (int32_t y = 0; y < source.height; ++y) {
    row_radii(y, radii);
    box.average_row(y, radii, next_row24(destination, source.width));
    star_progress(console, y);
  }
}

BoxSource source_of(InputFile& file, int64_t data_offset, int64_t row_bytes, int32_t width,
                    int32_t height) {
  return {file.bytes().data() + data_offset, row_bytes, width, height};
}

}  // namespace

void fractional_box_passes(Console& console, InputFile& input, const ImageLayout& image,
                           OutputFile& output, EdgeMode mode, double max_radius,
                           const RowRadii& row_radii) {
  TempFileChain temps;
  auto first = temps.create(0);
  write_bmp24_header(*first, image.width, image.height);
  write_bmp24_header(output, image.width, image.height);
  const bool empty = image.width == 0 || image.height == 0;
  // An empty image has no pixel bytes to address; its rows (if any) are empty.
  auto source = [&](InputFile& file, int64_t offset, int64_t row_bytes) {
    return empty ? BoxSource{nullptr, row_bytes, image.width, image.height}
                 : source_of(file, offset, row_bytes, image.width, image.height);
  };
  const BoxSource data = source(input, image.data_offset, image.row_bytes);
  FractionalBox box(data, mode, max_radius);
  blur_pass(console, box, data, *first, row_radii);
  first->commit();
  // The temporary file is the suite's own: pixels at 54, rows of the input's width.
  auto again = temps.open(0);
  blur_pass(console, box, source(*again, bmp24_header_bytes, row_bytes24(image.width)), output,
            row_radii);
  temps.delete_temp_files();
}

}  // namespace bmp
