#include "composite/stacking.hpp"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/failure.hpp"
#include "core/messages.hpp"
#include "core/row_loop.hpp"

namespace bmp {
namespace {

struct OutputSize {
  int64_t width = 0;
  int64_t height = 0;
};

// Stacking: the widest input and the heights summed; joining: the widths
// summed and the highest input. In 64 bits, checked by the caller.
OutputSize output_size(Arrangement arrangement, std::span<const ImageLayout> images) {
  OutputSize size;
  for (const ImageLayout& image : images) {
    if (arrangement == Arrangement::stack) {
      size.width = std::max<int64_t>(size.width, image.width);
      size.height += image.height;
    } else {
      size.width += image.width;
      size.height = std::max<int64_t>(size.height, image.height);
    }
  }
  return size;
}

// `pixels` fill pixels in a row: enough for any piece the run writes.
std::vector<uint8_t> fill_pixels(const Fill& fill, int64_t pixels) {
  std::vector<uint8_t> row(3 * static_cast<size_t>(pixels));
  for (size_t i = 0; i < row.size(); i += 3)
    std::copy(fill.colour.begin(), fill.colour.end(), &row[i]);
  return row;
}

// `Flag` 0, 1, 2: left, center, right when stacking; up, center, down when
// joining, and stored rows run from the bottom, so "up" ends the room.
Fill parse_fill(const Run& run, int first, Arrangement arrangement) {
  const int red = arg_int(run.arg(first));
  const int green = arg_int(run.arg(first + 1));
  const int blue = arg_int(run.arg(first + 2));
  const int flag = arg_int(run.arg(first + 3));
  if (flag < 0 || flag > 2) fail(msg::wrong_flags);
  constexpr Alignment stacked[] = {Alignment::start, Alignment::centre, Alignment::end};
  constexpr Alignment joined[] = {Alignment::end, Alignment::centre, Alignment::start};
  Fill fill;
  fill.colour = {static_cast<uint8_t>(blue), static_cast<uint8_t>(green),
                 static_cast<uint8_t>(red)};
  fill.alignment = (arrangement == Arrangement::stack ? stacked : joined)[flag];
  return fill;
}

// The plain tools: every input as wide (stacking) or as high (joining) as
// the first.
void check_equal_sizes(Arrangement arrangement, std::span<const ImageLayout> images) {
  for (size_t i = 0; i < images.size(); ++i) {
    const bool same = arrangement == Arrangement::stack ? images[i].width == images[0].width
                                                        : images[i].height == images[0].height;
    if (!same) fail(Channel::out, msg::size_differs_indexed, static_cast<int>(i));
  }
}

}  // namespace

int64_t lead_of(Alignment alignment, int64_t room, int64_t size) {
  const int64_t rest = room - size;
  switch (alignment) {
    case Alignment::centre:
      return rest / 2;
    case Alignment::end:
      return rest;
    case Alignment::start:
      break;
  }
  return 0;
}

void stack_images(std::span<const InputFile* const> inputs, std::span<const ImageLayout> images,
                  const Fill& fill, OutputFile& out, const RowDone& row_done) {
  const int32_t width = static_cast<int32_t>(output_size(Arrangement::stack, images).width);
  const std::vector<uint8_t> fills = fill_pixels(fill, width);
  for (size_t i = images.size(); i-- > 0;) {
    const ImageLayout& image = images[i];
    if (image.width == width) {
      // Rows as wide as the output: whole blocks copied, only the row ends zeroed.
      rewrite_rows24(
          *inputs[i], image, out, [](int32_t, int32_t, std::span<uint8_t>) {}, row_done);
      continue;
    }
    const size_t lead = 3 * static_cast<size_t>(lead_of(fill.alignment, width, image.width));
    const size_t pixel_bytes = 3 * static_cast<size_t>(image.width);
    RowReader rows(*inputs[i], static_cast<uint64_t>(image.data_offset),
                   static_cast<size_t>(image.row_bytes), image.height);
    for (int32_t r = 0; r < image.height; ++r) {
      std::span<const uint8_t> source = rows.next().first(pixel_bytes);
      std::span<uint8_t> row = next_row24(out, width);
      uint8_t* to = std::copy_n(fills.begin(), lead, row.data());
      to = std::copy(source.begin(), source.end(), to);
      std::copy_n(fills.begin(), row.size() - lead - pixel_bytes, to);
      row_done(r);
    }
  }
}

void join_images(std::span<const InputFile* const> inputs, std::span<const ImageLayout> images,
                 const Fill& fill, OutputFile& out, const RowDone& row_done) {
  const OutputSize size = output_size(Arrangement::join, images);
  const int32_t height = static_cast<int32_t>(size.height);
  int32_t widest = 0;
  for (const ImageLayout& image : images) widest = std::max(widest, image.width);
  const std::vector<uint8_t> fills = fill_pixels(fill, widest);

  std::vector<RowReader> readers;
  std::vector<int64_t> leads;  // the first output row each input gives
  readers.reserve(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const ImageLayout& image = images[i];
    readers.emplace_back(*inputs[i], static_cast<uint64_t>(image.data_offset),
                         static_cast<size_t>(image.row_bytes), image.height);
    leads.push_back(lead_of(fill.alignment, height, image.height));
  }
  for (int32_t g = 0; g < height; ++g) {
    uint8_t* to = next_row24(out, static_cast<int32_t>(size.width)).data();
    for (size_t i = 0; i < images.size(); ++i) {
      const size_t pixel_bytes = 3 * static_cast<size_t>(images[i].width);
      if (g >= leads[i] && g < leads[i] + images[i].height) {
        std::span<const uint8_t> source = readers[i].next();
        to = std::copy_n(source.begin(), pixel_bytes, to);
      } else {
        to = std::copy_n(fills.begin(), pixel_bytes, to);
      }
    }
    row_done(g);
  }
}

void run_stacking(Run& run, Arrangement arrangement, bool with_fill) {
  const int count = run.count() - (with_fill ? 6 : 2);
  std::vector<std::unique_ptr<InputFile>> files;
  for (int i = 1; i <= count; ++i) files.push_back(run.open_input(i, CantOpen::source_file));
  auto out = run.create_output(count + 1, CantOpen::source_file);
  const Fill fill = with_fill ? parse_fill(run, count + 2, arrangement) : Fill{};

  std::vector<const InputFile*> inputs;
  std::vector<ImageLayout> images;
  for (int i = 0; i < count; ++i) {
    const HeaderCheck check{.magic = false, .line = SizeLine::indexed, .index = i};
    InputFile& file = *files[static_cast<size_t>(i)];
    inputs.push_back(&file);
    images.push_back(read_bmp_header(file, run.console(), check));
  }
  if (!with_fill) check_equal_sizes(arrangement, images);
  const OutputSize size = output_size(arrangement, images);
  check_bmp24_size(size.width, size.height, out->name());

  print_drive_number(run.console(), drive_number(run.arg(2)));
  file_size_report(run.console(), bmp24_file_size(static_cast<int32_t>(size.width),
                                                  static_cast<int32_t>(size.height)));
  write_bmp24_header(*out, static_cast<int32_t>(size.width), static_cast<int32_t>(size.height));
  const RowDone progress = [&](int32_t row) { report_progress(run.console(), row); };
  if (arrangement == Arrangement::stack) {
    stack_images(inputs, images, fill, *out, progress);
  } else {
    join_images(inputs, images, fill, *out, progress);
  }
  out->commit();
}

}  // namespace bmp
