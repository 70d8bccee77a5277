// The damped concentric wave that `ripple_over` adds to an image and
// `ripple_plain` draws on grey 128: its parameters, its value at a distance
// from the centre, the columns of a row it reaches, the rule that adds it to
// a channel, and the noise mode's draws from the never seeded sequence.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/formulas.hpp"
#include "draw/rectangle.hpp"

namespace bmp {

class Run;

// The wave as the command line gives it (all integers but `height`).
struct ConcentricWaveParams {
  int32_t x_origin = 0;  // X-原点: the centre column
  int32_t y_origin = 0;  // Y-原点: the centre row, counted from the top
  int32_t radius = 0;    // 半径
  int32_t waves = 0;     // 波数
  int32_t phase = 0;     // 原点角度, degrees
  int32_t damping = 0;   // 減衰率
  double height = 1.0;   // 高さ
  int32_t flag = 0;      // 0: the wave alone; any other value: noise too
};

// The wave parameters from argument `first` on: X-原点 Y-原点 半径 波数
// 原点角度 減衰率, then from a count of `with_height` on 高さ as an integer,
// or with one more argument as a real followed by flag.
ConcentricWaveParams concentric_wave_args(const Run& run, int first, int with_height);

class ConcentricWave {
 public:
  // The wave over an image `image_height` rows high: the centre's stored row
  // is image_height - Y-原点 (not one less).
  ConcentricWave(const ConcentricWaveParams& params, int32_t image_height);

  bool noise() const { return noise_; }
  // `concentric_wave_offset`: at a distance d <= R from the centre,
  // pow((R - d) / R, 減衰率) × (cos((d / L × 360 + 原点角度)°) × A).
  double offset(double d) const;
  // sqrt(dx² + dy²) for column `column` and stored row `row`.
  double distance(int64_t column, int64_t row) const;
  bool reaches(double d) const { return d <= reach_; }
  // The columns of stored row `row` within reach (d <= R), inside
  // [0, width): one run, since d grows with the distance from cx.
  IndexRange reached_columns(int64_t row, int64_t width) const;
  // The wave's values at the columns `columns` of stored row `row` (all
  // within reach), worked out once for each distance |dx| from the centre.
  void offsets(int64_t row, IndexRange columns, std::vector<double>& values) const;

 private:
  int64_t cx_;
  int64_t cy_;
  double reach_;       // R = 半径 - 0.5
  double wavelength_;  // L = R / (波数 + 0.25)
  double amplitude_;   // A = 127 × 高さ
  double phase_;
  double damping_;
  bool linear_;  // 減衰率 1: pow(x, 1) is x itself
  bool noise_;
};

// The noise mode's value: rand15() div 512 + 96, from 96 to 159. `Random`
// is the sequence itself or a Rand15Batch of its next draws.
template <class Random>
int wave_noise(Random& random) {
  return random.rand15() / 512 + 96;
}
// The noise mode's value within reach: W + (r ÷ 512.0 + 96.0).
template <class Random>
double noisy_offset(double wave, Random& random) {
  return wave + (random.rand15() / 512.0 + 96.0);
}

// A channel with the added value v: t = in + trunc(v) - 128 gives 0 below 0
// and 255 above 255; otherwise the byte is trunc(v + in - 128), formed in
// double precision (which can differ from t by one).
inline uint8_t ripple_channel(int in, double v) {
  const int64_t t = int64_t{in} + truncate_toward_zero(v) - 128;
  if (t < 0) return 0;
  if (t > 255) return 255;
  return static_cast<uint8_t>(truncate_toward_zero(v + in - 128));
}
// The same for a whole v (a noise value), where both forms are in + v - 128.
inline uint8_t ripple_channel(int in, int v) {
  return static_cast<uint8_t>(std::clamp<int64_t>(int64_t{in} + v - 128, 0, 255));
}

// The usage block of both ripple tools: after their usage and continuation
// lines come the notes, the flag table and the family list.
inline constexpr std::string_view wave_flag_notes =
    "\n"
    "       波数、減水率、半径、高さ(default 1.0)が実数で指定できる｡\n"
    "\n"
    "--- Flag ---\n"
    "0       = 最初のベースとして 128 を敷いて波を作る。\n"
    "1       = 128 のベースに 64 の乱数を与え、その上に波を作る。\n"
    "\n";
inline constexpr std::string_view wave_family_list =
    "ripple_plain ----- 同心型ベース128型\n"
    "surge_over ----- 波及型ベースFILE型\n"
    "surge_plain ----- 波及型ベース128型\n"
    "ripple_over ----- 同心型ベースFILE型\n"
    "\n";
inline constexpr std::string_view wave_title = "WAVE UTILITY 同心型(BMP FILE VERSION)\n";

}  // namespace bmp
