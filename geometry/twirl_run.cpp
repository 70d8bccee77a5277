#include "geometry/twirl_run.hpp"

#include "core/bmp_io.hpp"

namespace bmp {
namespace {

void write_header(TwirlFile file, OutputFile& out, int32_t width, int32_t height) {
  if (file == TwirlFile::four_byte) {
    write_bmp32_header(out, width, height);
  } else {
    write_bmp24_header(out, width, height);
  }
}

}  // namespace

void twirl_run(Run& run, const TwirlRequest& request) {
  Console& console = run.console();
  std::unique_ptr<InputFile> input = run.open_input(1, CantOpen::source_file);
  std::unique_ptr<OutputFile> output = run.create_output(2, CantOpen::source_file);
  InputFile& in = *input;
  OutputFile& out = *output;
  const bool four_byte = request.file == TwirlFile::four_byte;
  const int bytes_per_pixel = four_byte ? 4 : 3;
  HeaderCheck check;
  if (four_byte) {
    check.line = SizeLine::alpha;
    check.bit_count = 32;
  }
  const ImageLayout image = read_bmp_header(in, console, check);

  check_frame_size(image.width, image.height, in.name());
  const RotationFrame frame =
      rotation_frame(image.width, image.height,
                     compute_rotation_margins(request.kaiten, image.width, image.height));
  const bool origin = request.size == SizeMode::origin;
  const int32_t width = origin ? frame.width : frame.auto_width;
  const int32_t height = origin ? frame.height : frame.auto_height;
  check_turned_size(width, height, bytes_per_pixel, in.name());
  check_window(rotation_window(frame, request.size), width, height, in.name());

  // The canvas is read straight from the input's pixels: no image of it is
  // made, so the run needs no temporary file.
  const ImageRows input_rows(in, image);
  const Canvas canvas = request.solid ? build_solid_canvas(input_rows, frame, *request.solid)
                                      : build_edge_canvas(input_rows, frame);

  // Sample the canvas into the output; beyond it, samples are the fill colour.
  write_header(request.file, out, width, height);
  console.write("処理 ");
  request.kernel(canvas, request.size, request.kaiten, out,
                 [&](int32_t row) { star_progress(console, row); });
  console.write("\n");
  out.commit();
  size_report(console, SizeReport::x, width, height);
}

}  // namespace bmp
