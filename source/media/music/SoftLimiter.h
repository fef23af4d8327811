// The soundtrack's limiter: overlapping tracks are summed in float and may pass full scale. Each
// sample goes through a soft knee that is exactly the identity up to −1 dBFS and above it bends
// towards (never reaches) a ceiling just under full scale, so no 16-bit sample ever clips.
// Memoryless on purpose: a limiter with release would also lower samples below the threshold.
#pragma once

#include <cstdint>

namespace media {

inline constexpr float kLimiterThreshold = 0.891250938f;      // −1 dBFS
inline constexpr float kLimiterCeiling = 32766.0f / 32768.0f; // one step under full scale

// x unchanged when |x| <= kLimiterThreshold; otherwise threshold + (ceiling − threshold) ·
// tanh((|x| − threshold) / (ceiling − threshold)), with x's sign: continuous, with slope 1 at
// the threshold, and strictly under the ceiling.
float SoftLimit(float x);

// A float sample (full scale 1.0) through the limiter, as a rounded 16-bit sample.
std::int16_t LimitToPcm16(float x);

} // namespace media
