// Every message text of the frame, in one table, so that each tool prints the
// same words for the same fault. The texts are UTF-8; the console converts them.
#pragma once

namespace bmp::msg {

// Header checks.
inline constexpr const char* wrong_format = "Wrong Format !\n";
inline constexpr const char* not_full_colour = "このファイルは1670万色タイプではありません\n";
inline constexpr const char* not_full_colour_infile =
    "このファイルは1670万色タイプではありません。(Infile%d)\n";
inline constexpr const char* not_full_colour_indexed =
    "このファイルは1670万色タイプではありません。(Infile[%d])\n";
inline constexpr const char* size_line = "X_size = %d Y_size = %d 1670万色\n";
inline constexpr const char* size_line_alpha = "X_size = %d Y_size = %d 1670万色(α付き)\n";
inline constexpr const char* size_line_infile = "Infile%d X_size = %d Y_size = %d 1670万色\n";
inline constexpr const char* size_line_indexed = "Infile[%d] X_size = %d Y_size = %d 1670万色\n";

// Opening files.
inline constexpr const char* cant_open_source_file = "\ncan't open source file %s\n";
inline constexpr const char* cant_open = "\ncan't open %s\n";
inline constexpr const char* cant_open_temp = "Can't open temp%04d.bmp !\n";

// Refusals of the suite's own, where the original read garbage or wrote
// broken files. Each names the file or argument concerned.
inline constexpr const char* truncated_file = "Truncated file %s !\n";
inline constexpr const char* compressed_file = "Compressed file %s !\n";
inline constexpr const char* negative_size = "Negative size in %s !\n";
inline constexpr const char* too_large = "Image too large: %s !\n";
inline constexpr const char* cant_write = "Can't write %s !\n";
inline constexpr const char* degree_out_of_range = "Blur degree out of range: %s !\n";
inline constexpr const char* wrong_power_constant = "Wrong power constant !\n";
// A real argument that is not a number, infinite, or that would make a result
// overflow.
inline constexpr const char* number_out_of_range = "Number out of range: %s !\n";
// A filter image must cover the data image pixel for pixel: filter, data.
inline constexpr const char* filter_too_small = "Filter image %s is smaller than %s !\n";
// The rotation tools: a canvas (twice the larger side, squared) whose file
// would not fit its size field, and an image too small for the turn's window
// to hold the pixels its output header states.
inline constexpr const char* too_large_to_turn = "Image too large to turn: %s !\n";
inline constexpr const char* too_small_to_turn = "Image too small to turn: %s !\n";

// A step or width that a tool divides by, given as 0: the argument's name.
inline constexpr const char* zero_step = "%s of 0 !\n";
// Inputs that must share their size, and two outputs named by one file.
inline constexpr const char* size_differs = "大きさが違います。\n";
inline constexpr const char* size_differs_indexed = "大きさが違います。Infile[%d]\n";
inline constexpr const char* same_output_file = "Two outputs on one file: %s !\n";

// A cycle of whole frames and a frame part whose phase is not a finite angle
// (a whole of 0 among them): whole, part.
inline constexpr const char* no_phase = "No phase for whole %s and part %s !\n";
// Two inputs compared pixel for pixel whose sizes differ: first, second.
inline constexpr const char* sizes_differ = "Images %s and %s differ in size !\n";

// The drawing tools' refusals of arguments that leave a shape undefined: a
// NaN end point (the argument), a NaN centre, an ellipse whose band leaves no
// inner ellipse (its inner semi-axes), a frame of width 0.
inline constexpr const char* not_a_number = "Not a number: %s !\n";
inline constexpr const char* nan_centre = "Centre is not a number !\n";
inline constexpr const char* no_inner_ellipse = "No inner ellipse: semi-axes %g and %g !\n";
inline constexpr const char* frame_width_zero = "Frame width of 0 !\n";

// The drawing and defocus tools' refusal of a curve or profile flag.
inline constexpr const char* wrong_flags = "Wrong Flags ! \n";
// The geometry tools' refusal of a flag outside their table.
inline constexpr const char* wrong_flag = "Wrong Flag !\n";
// An input without pixels where a tool divides by its sides or samples it.
inline constexpr const char* no_pixels = "No pixels in %s !\n";
// A size or offset argument below 0, by its name.
inline constexpr const char* negative_argument = "Negative %s !\n";
// A turned angle that is no longer a finite number of degrees.
inline constexpr const char* angle_overflow = "Turned angle out of range !\n";

// The tile tools: a band width below zero, with the argument's name and text.
inline constexpr const char* negative_band = "Negative band width %s = %s !\n";

}  // namespace bmp::msg
