#pragma once
// The weight-direction scans of the "Plots" tab: "WM Error" (the error of every epoch of a weight-matrix
// file, "PCA/LM_weights.txt"), "WM Distance" and "WMD" (for each weight, the step V it took from epoch e
// to e + 1 against the offset d of the error minimum along that weight, with "PCA/w-o-v.txt", the scan
// log "_LogWMD.txt" and the plots "V contra dW" and "ES sections" in the representation windows HRF and
// ORF). The scan of one weight is training/direction_scan.h, shared with the numerical-gradient trainer.
#include <cstddef>
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// "WM Error".
void WMErrorCheck(Workbench& wb);
// mode 1 "WM Distance" (every weight, a file chosen in the dialog), mode 2 "WMD" (the weights of one
// neuron, the weight matrix of the last training in "PCA").
void WMDirectionAnalysis(Workbench& wb, int mode);

// A row of a weight-matrix file: its 0-based line and the network's weights in the file's order.
struct WMRow {
  std::size_t Line;
  std::vector<double> Values;
};
// The rows of weight-matrix file `file` that a scan reads, one line at a time: line >= 0 only that 0-based
// line (the file is read no further; none when the file lacks it), -1 every line. Throws FileError naming
// the file and the line when a line holds a token that is not a number or not exactly `weights` numbers (a
// file made for another network), or when the file cannot be opened or read.
std::vector<WMRow> ReadWMRows(const std::string& file, std::size_t weights, int line);
// Loads rows read by ReadWMRows into the network: b = 1 into Weights, else into OldWeights, each row in
// turn. With a = b = 1 "PCA/LM_weights.txt" gets each loaded row's error and weights.
void WriteWMErrors(Workbench& wb, const std::vector<WMRow>& rows, int a, int b);

// mode 2: scales from the largest |V| and |d| of all weights, markers into PlotBitmaps[2]; mode 3: the
// same markers into PlotBitmaps[3] with the scales of the last mode-2 plot.
void PlotVContraDW(Workbench& wb, int mode);
// The plot of the weights of one neuron into PlotBitmaps[2].
void PlotVContraDW2(Workbench& wb, int layer, int neuron);
// The pictures: 1 both made with axes, 2 both shown, 3 [2] made with axes, 4 [2] shown, 5 [3] made
// empty, 6 [3] shown as "ES sections".
void DrawESSections(Workbench& wb, int mode);

// The vertical range of the sections: the largest and the smallest of samples 25 .. 176 (offsets -5.0 to
// +5.2) of every row, starting from hi = 0 and lo = start; each sample is tested against both.
void SectionRange(const std::vector<std::vector<double>>& rows, double start, double& hi, double& lo);

// The caption of the "V contra dW" window.
std::string VContraDWCaption(const Workbench& wb);

}  // namespace wl
