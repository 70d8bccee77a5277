// seam_tile: makes a 24-bit picture tile in one direction (seam mode: the
// band is cross-faded from the far end and the picture shrinks by it), or
// sinks its edges into a colour (sink mode: same size). Forms: Infile Outfile
// 幅 Flag [red green blue [Flag2 [透過度]]].
#include "composite/seam_tile.hpp"

#include "composite/seam.hpp"
#include "composite/seam_frame.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

// Count 6 (a lone Flag2) has no form of its own: it takes the usage path.
constexpr int seam_tile_forms[] = {5, 8, 9, 10};
constexpr std::string_view seam_tile_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile 幅 Flag (red green blue)\n",
    "       Command Infile Outfile 幅 Flag (red green blue Flag2)\n",
    "       Command Infile Outfile 幅 Flag (red green blue Flag2 透過度)\n",
    "\n",
    "--- Flag ---\n",
    "0 or no ---- 横\n",
    "else    ---- 縦\n",
    "\n",
    "--- Flag2 ---\n",
    "0 or no ---- 両方\n",
    "1 ---------- 下(左)\n",
    "2 ---------- 上(右)\n",
    "\n",
    seam_purpose,
    "背景色を指定するとその色に沈みます。サイズは原画と同サイズです。\n",
    "\n",
};

constexpr ToolSpec seam_tile_spec{
    .title = "MAP UTILITY BMP FILE VERSION\n",
    .usage = seam_tile_usage,
    .warning = Warning::for_bmp,
    .forms = seam_tile_forms,
};

constexpr const char* too_wide_across_half = "横幅が広すぎます！横幅 < x_size/2 ! \n";
constexpr const char* too_wide_up_half = "縦幅が広すぎます！縦幅 < y_size/2 ! \n";
constexpr const char* too_wide_across = "横幅が広すぎます！横幅 < x_size ! \n";
constexpr const char* too_wide_up = "縦幅が広すぎます！縦幅 < y_size ! \n";

enum class TileMode { seam, sink };

struct SeamTileArgs {
  TileMode mode = TileMode::seam;
  SinkSettings sink;  // the band and direction serve both modes
};

SinkEdges sink_edges_of(int flag2) {
  switch (flag2) {
    case 1:
      return SinkEdges::near;
    case 2:
      return SinkEdges::far;
    default:
      return SinkEdges::both;
  }
}

uint8_t colour_byte(const Run& run, int i) { return static_cast<uint8_t>(arg_trunc(run.arg(i))); }

SeamTileArgs parse_args(const Run& run) {
  SeamTileArgs args;
  args.sink.band = arg_trunc(run.arg(3));
  args.sink.direction = arg_trunc(run.arg(4)) == 0 ? Direction::horizontal : Direction::vertical;
  switch (run.count()) {
    case 10:
      args.sink.percent = arg_real(run.arg(9));
      [[fallthrough]];
    case 9:
      args.sink.edges = sink_edges_of(arg_trunc(run.arg(8)));
      [[fallthrough]];
    case 8:
      args.mode = TileMode::sink;
      // A pixel's bytes run blue, green, red.
      args.sink.colour = {colour_byte(run, 7), colour_byte(run, 6), colour_byte(run, 5)};
      break;
    default:  // 5: seam mode
      break;
  }
  return args;
}

// The band checks follow the modes: both edges (and the seam) hold the band
// to half the line, one edge to the whole line.
void check_band(const SeamTileArgs& args, const ImageLayout& image, const Run& run) {
  check_band_not_negative(args.sink.band, "幅", run.arg(3), run.console());
  const bool across = args.sink.direction == Direction::horizontal;
  const bool half = args.mode == TileMode::seam || args.sink.edges == SinkEdges::both;
  const int32_t length = across ? image.width : image.height;
  if (args.sink.band > (half ? length / 2 : length)) {
    fail(across ? (half ? too_wide_across_half : too_wide_across)
                : (half ? too_wide_up_half : too_wide_up));
  }
}

void seam_tile(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const SeamTileArgs args = parse_args(run);
  const ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  check_band(args, image, run);
  const RowDone progress = [&](int32_t row) { report_progress(run.console(), row); };
  const int32_t band = args.sink.band;
  if (args.mode == TileMode::sink) {
    write_bmp24_header(*out, image.width, image.height);
    sink_pass(*in, image, args.sink, *out, progress);
  } else if (args.sink.direction == Direction::horizontal) {
    write_bmp24_header(*out, image.width - band, image.height);
    horizontal_seam_pass(*in, image, band, *out, progress);
  } else {
    write_bmp24_header(*out, image.width, image.height - band);
    vertical_seam_pass(*in, image, band, *out, progress);
  }
  out->commit();
}

}  // namespace

int run_seam_tile(std::span<const std::string_view> args) {
  return run_tool(seam_tile_spec, args, seam_tile);
}

}  // namespace bmp
