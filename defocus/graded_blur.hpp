// The graded row blur: each output row gets its own real blur degree Z from a
// grading profile, and each pixel is the blend of the two square box averages
// whose whole radii trunc(Z + 1) and trunc(Z) bracket it. mist_vert runs it on
// the image, mist_horz on the transposed image, mist_turn on a turned crop;
// with one degree for every row it is mist_even's uniform pass.
#pragma once

#include <cstdint>
#include <functional>

#include "core/files.hpp"
#include "core/image_rows.hpp"
#include "defocus/defocus_frame.hpp"

namespace bmp {

// The tools' Flag2: 0 ramps one way between the two lines, any other value
// makes a band that turns back.
enum class Grading { one_way, turn };
constexpr Grading grading_of(int flag2) { return flag2 == 0 ? Grading::one_way : Grading::turn; }

// The stored row of a line `percent` of the height down from the top:
// trunc(H × (1.0 − percent / 100.0)). The product is not rounded, so 80 % of
// 100 rows is row 19 (100 × 0.19999999999999996).
int32_t boundary_row(int32_t height, double percent);

// The grade of one image: D1 above the start line, D2 below the end line (one
// way) or along the middle of the band (turn).
struct GradeProfile {
  Grading grading = Grading::one_way;
  double d1 = 0;
  double d2 = 0;
  int32_t start_row = 0;
  int32_t end_row = 0;
};

// The profile of an image `height` rows high, start and end in percent.
GradeProfile grade_profile(Grading grading, double d1, double d2, double start, double end,
                           int32_t height);

// The degree Z of stored row `row`. One way: D2 below end_row, D1 from
// start_row up, a straight ramp between. Turn: D1 outside [end_row, start_row),
// inside it a raised cosine from D1 at the edges to D2 in the middle.
double grade_degree(int32_t row, const GradeProfile& profile);

// The mean of a (2r + 1)² box from its exact sum:
// trunc(sum / ((r + r + 1.0) × (r + r + 1.0))). For radii so large that the
// double quotient could round up to the next whole value the sum is divided as
// an integer instead, so the result is always the floor of the true mean.
uint8_t box_average(uint64_t sum, int32_t radius);

// The blend of the two boxes of degree Z: trunc(A_out × f + A_in × (1 − f))
// with f = Z − r_in, in double precision, low 8 bits.
uint8_t two_box_blend(int a_out, int a_in, double degree, int32_t r_in);

using DegreeOfRow = std::function<double(int32_t row)>;

// One blur pass over a 24-bit source (3 bytes a pixel): writes source.height()
// rows of source.width() pixels, each followed by its `dm` zero bytes, to
// `dest`, whose header the caller wrote; after_row(O) follows each output row
// O. Rows and columns beyond the image map back into it by `edges`, however
// far a radius reaches. Degrees must be 0 or more and at most max_blur_degree.
void box_blur_pass(const ImageRows& source, OutputFile& dest, const DegreeOfRow& degree_of_row,
                   EdgeMode edges, const RowDone& after_row);

// The graded pass: box_blur_pass with each row's degree from `profile`.
void graded_box_blur_pass(const ImageRows& source, OutputFile& dest, const GradeProfile& profile,
                          EdgeMode edges, const RowDone& after_row);

}  // namespace bmp
