#pragma once
// The scan of one weight direction: the error at 201 values of a single weight between w0 - 10 and
// w0 + 10 while every other weight stays, and the offset d of the lowest error (the distance to the error
// minimum along that weight). The numerical-gradient trainer runs it at the epochs of "WMD epoch 1" and
// "WMD epoch 2" when "V contra dW" is checked; the "WM Distance" and "WMD" commands (analysis/) run it
// for the weights of a recorded trajectory.
#include <string>

namespace wl {

struct Workbench;

// The error of the scans: ContinuousInputError with "WM in Matlab format", else ComputeError in the
// output mode of ErrorTFKind.
double DirectionScanError(Workbench& wb);

// Whether offset step u (-200 .. 200, the weight at w0 + 0.05 u) is sampled: every u below 50 in
// magnitude, the even u below 100, and the u divisible by 4 from 100 on.
bool ScanSampled(int u);
// The number of samples of a scan, and the sample of offset 0.
inline constexpr int ScanSampleCount = 201;
inline constexpr int ScanCentreSample = 100;

// The mark of a scan: "beg" when the error at the far negative end (offset -10) is not above the lowest
// error found, else "end" when the last sample's error equals it, else "mid".
std::string ScanPlace(double efar, double last, double best);

// Scans weight k of neuron n of layer l, whose value is w0: E0 at w0, then the 201 samples; d is the
// offset of the first strictly lowest error (0 when none is below E0). With store, SectionSamples[k] gets
// the samples (when that row exists). With "Log WM-D to file" and the log open, the samples and a closing
// line go to the log. VdwData of the weight := d. The weight is left at the last sample.
void LogWMD(Workbench& wb, int l, int n, int k, double w0, bool store);

}  // namespace wl
