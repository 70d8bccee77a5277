// spectra: an image's grey levels mapped onto a six-segment rainbow between
// the levels dn and up, turned by kaiten table steps.
// Form: spectra Infile Outfile up dn kaiten.
#include "pixel/spectra.hpp"

#include "core/formulas.hpp"

namespace bmp {
namespace {

constexpr int spectra_forms[] = {6};
constexpr int lone_counts[] = {2};
constexpr std::string_view spectra_usage[] = {
    "\n", "24-bitのデータをモノクロデータで虹化する\n",
    "\n", "USAGE: COMMAND Infile Outfile up dn kaiten\n",
    "\n",
};

constexpr ToolSpec spectra_spec{
    .title = "SPECTRA UTILITY (BMP FILE VERSION)\n",
    .usage = spectra_usage,
    .warning = Warning::for_bmp,
    .forms = spectra_forms,
    .lone = LoneArgument::blank_wrong_paramater,
    .lone_counts = lone_counts,
};

void spectra(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const int up = arg_int(run.arg(3));
  const int dn = arg_int(run.arg(4));
  const int kaiten = arg_int(run.arg(5));
  recolour_by_grey(run, *in, *out, spectra_table(up, dn, kaiten));
}

}  // namespace

// Each rising or falling channel is D / 42 (or 43) first, then times the
// offset into its segment, then dn added, then truncated: a boundary the exact
// quotient reaches can land a level lower, as it always has. Entries keep
// their low 8 bits. A negative turn wraps like a positive one (kaiten and
// kaiten + 256 agree); sums are 64-bit, so no level or turn overflows.
GreyColourTable spectra_table(int up, int dn, int kaiten) {
  const int64_t span = int64_t{up} - dn;
  auto rise = [&](double divisor, int64_t offset) -> int64_t {
    return truncate_toward_zero(static_cast<double>(span) / divisor * static_cast<double>(offset) +
                                dn);
  };
  auto fall = [&](double divisor, int64_t offset) -> int64_t {
    return up - int64_t{truncate_toward_zero(static_cast<double>(span) / divisor *
                                             static_cast<double>(offset))};
  };
  auto colour = [](int64_t blue, int64_t green, int64_t red) {
    return TableColour{static_cast<uint8_t>(blue), static_cast<uint8_t>(green),
                       static_cast<uint8_t>(red)};
  };
  GreyColourTable table{};
  for (int i = 0; i < 256; ++i) {
    const int64_t g = ((int64_t{i} + kaiten) % 256 + 256) % 256;
    TableColour& entry = table[static_cast<size_t>(i)];
    if (g <= 42) {
      entry = colour(up, rise(42, g), dn);
    } else if (g <= 85) {
      entry = colour(fall(43, g - 43), up, dn);
    } else if (g <= 127) {
      entry = colour(dn, up, rise(42, g - 86));
    } else if (g <= 170) {
      entry = colour(dn, fall(43, g - 128), up);
    } else if (g <= 212) {
      entry = colour(rise(42, g - 171), dn, up);
    } else {
      entry = colour(up, dn, fall(42, g - 213));
    }
  }
  return table;
}

int run_spectra(std::span<const std::string_view> args) {
  return run_tool(spectra_spec, args, spectra);
}

}  // namespace bmp
