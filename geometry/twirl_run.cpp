#include "geometry/twirl_run.hpp"

#include "core/bmp_io.hpp"
#include "core/temp_files.hpp"

namespace bmp {
namespace {

void write_header(TwirlFile file, OutputFile& out, int32_t width, int32_t height) {
  if (file == TwirlFile::four_byte) {
    write_bmp32_header(out, width, height);
  } else {
    write_bmp24_header(out, width, height);
  }
}

void build_canvas(TwirlFile file, const InputFile& in, const ImageLayout& image,
                  const RotationFrame& frame, const std::optional<FillColour>& solid,
                  OutputFile& canvas) {
  if (file == TwirlFile::four_byte) {
    solid ? build_solid_canvas32(in, image, frame, *solid, canvas)
          : build_edge_canvas32(in, image, frame, canvas);
  } else {
    solid ? build_solid_canvas(in, image, frame, *solid, canvas)
          : build_edge_canvas(in, image, frame, canvas);
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
  TempFileChain temp;
  std::unique_ptr<OutputFile> canvas = temp.create(0);
  HeaderCheck check;
  if (four_byte) {
    check.line = SizeLine::alpha;
    check.bit_count = 32;
  }
  const ImageLayout image = read_bmp_header(in, console, check);

  check_canvas_size(image.width, image.height, bytes_per_pixel, in.name());
  const RotationFrame frame = rotation_frame(
      image.width, image.height,
      compute_rotation_margins(request.kaiten, image.width, image.height), bytes_per_pixel);
  const bool origin = request.size == SizeMode::origin;
  const int32_t width = origin ? frame.width : frame.auto_width;
  const int32_t height = origin ? frame.height : frame.auto_height;
  check_window(rotation_window(frame, request.size), width, height, in.name());

  // Embed the input in the canvas.
  write_header(request.file, *canvas, frame.side, frame.side);
  build_canvas(request.file, in, image, frame, request.solid, *canvas);
  canvas->commit();
  std::unique_ptr<InputFile> canvas_in = temp.open(0);
  const ImageRows grid(*canvas_in, four_byte ? bmp32_layout(frame.side, frame.side)
                                             : bmp24_layout(frame.side, frame.side));

  // Sample the canvas into the output; outside it, samples are the fill colour.
  write_header(request.file, out, width, height);
  console.write("処理 ");
  request.kernel(grid, frame, request.size, request.kaiten, request.solid.value_or(FillColour{}),
                 out, [&](int32_t row) { star_progress(console, row); });
  console.write("\n");
  out.commit();
  size_report(console, SizeReport::x, width, height);
  temp.delete_temp_files();
}

}  // namespace bmp
