// The names of the measured methods. A benchmark is registered as
// "<method>/<width>x<height>"; the ratio report pairs methods by these names.
#pragma once

namespace qcx::bench::names {

// Ours, 8-bit samples, Bayer mode 0 (24-bit) and 8 (32-bit).
inline constexpr const char* kBlockCopy24 = "ours/block_copy_24bit";
inline constexpr const char* kBilinear24 = "ours/bilinear_24bit";
inline constexpr const char* kColourRatio24 = "ours/colour_ratio_24bit";
inline constexpr const char* kEdgeDirected24 = "ours/edge_directed_24bit";
inline constexpr const char* kGradient24 = "ours/gradient_corrected_24bit";
inline constexpr const char* kBlockCopy32 = "ours/block_copy_32bit";
inline constexpr const char* kBilinear32 = "ours/bilinear_32bit";
inline constexpr const char* kColourRatio32 = "ours/colour_ratio_32bit";
inline constexpr const char* kEdgeDirected32 = "ours/edge_directed_32bit";
inline constexpr const char* kGradient32 = "ours/gradient_corrected_32bit";
inline constexpr const char* kGrey = "ours/grey_8bit";
inline constexpr const char* kBlockCopy16 = "ours/block_copy_16bit_samples";
inline constexpr const char* kPatchRawEdges = "ours/PatchRawEdges";
inline constexpr const char* kCorrectBadPixels = "ours/CorrectBadPixels";
inline constexpr const char* kGammaContrastBrightness = "ours/RunGammaContrastBrightness";
inline constexpr const char* kSaturationFirst = "ours/AdjustSaturation_first_frame";
inline constexpr const char* kSaturationWarm = "ours/AdjustSaturation_warm";
inline constexpr const char* kColourCorrection = "ours/ApplyColorCorrection";

// OpenCV, single-threaded.
inline constexpr const char* kCvBayer = "opencv/BayerBG2BGR";
inline constexpr const char* kCvBayerEa = "opencv/BayerBG2BGR_EA";
inline constexpr const char* kCvBayerVng = "opencv/BayerBG2BGR_VNG";
inline constexpr const char* kCvBayerGrey = "opencv/BayerBG2GRAY";
inline constexpr const char* kCvLut = "opencv/LUT";

// libdc1394, BGGR, 24-bit RGB output.
inline constexpr const char* kDcNearest = "dc1394/NEAREST";
inline constexpr const char* kDcBilinear = "dc1394/BILINEAR";
inline constexpr const char* kDcHqLinear = "dc1394/HQLINEAR";
inline constexpr const char* kDcEdgeSense = "dc1394/EDGESENSE";
inline constexpr const char* kDcVng = "dc1394/VNG";
inline constexpr const char* kDcAhd = "dc1394/AHD";

}  // namespace qcx::bench::names
