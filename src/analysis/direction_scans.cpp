#include "analysis/direction_scans.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "analysis/canvas.h"
#include "analysis/signal_plots.h"
#include "analysis/weight_matrix.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "platform/text_file.h"
#include "state/workbench.h"
#include "training/direction_scan.h"
#include "training/ng_train.h"
#include "training/ng_weights.h"

namespace wl {

namespace {

// The geometry of the pictures for a point size: width and height W, centre C, margin M.
struct Geometry {
  int ps = 1, W = 630, C = 315, M = 15;
};
Geometry GeometryOf(int ps) {
  ps = std::max(ps, 1);
  return {ps, 630 * ps, 315 * ps, 15 * ps};
}

QImage& Picture(Workbench& wb, int i) { return SignalPictures(wb).PlotBitmaps[static_cast<std::size_t>(i)]; }

void DrawAxes(QImage& img, const Geometry& g) {
  Canvas c(img);
  c.SetPenColor(clBlack);
  c.SetPenWidth(g.ps);
  const int C = g.C, M = g.M, W = g.W, aw = 5 * g.ps, al = 15 * g.ps;
  c.Line(C, M, C, W - M);
  c.Line(M, C, W - M, C);
  c.Line(C, M, C - aw, M + al);
  c.Line(C, M, C + aw, M + al);
  c.Line(W - M, C, W - M - al, C - aw);
  c.Line(W - M, C, W - M - al, C + aw);
  c.SetFontColor(clBlack);
  c.SetFontSize(13 * g.ps);
  c.TextOut(C - 40 * g.ps, M, "dw");
  c.TextOut(W - 60 * g.ps, C + 5 * g.ps, "dS(w)");
}

void ShowPicture(Workbench& wb, TRepresentationForm& window, const QImage& picture) {
  SignalPictures(wb).WindowImage[static_cast<std::size_t>(WindowSlot(window))] = picture.copy();
  ++window.PictureVersion;
  window.Shown = true;
  wb.Plat.ShowWindow(window.Name());
  window.I1.Repaint();
}

// A picture that a plot draws into but that no DrawESSections made yet (a run with only one of the
// epochs, or a plot of the second epoch first) is made with its axes.
QImage& PictureWithAxes(Workbench& wb, int i, const Geometry& g) {
  QImage& img = Picture(wb, i);
  if (img.isNull() || img.width() != g.W) {
    img = MakePicture(g.W, g.W);
    DrawAxes(img, g);
  }
  return img;
}

double MarkerScaleOf(const Workbench& wb) {
  double ms = 1.0;
  if (!TryStrToFloat(Trim(wb.Form1.MarkerSizeEdit.Text()), ms) || ms < 0.1 || ms > 10) ms = 1.0;
  return ms;
}

int RoundPx(double v) { return RoundInt(v); }

// The flat weights of the network as pointers into Weights (or OldWeights), in the program's order.
std::vector<double*> WeightCells(Workbench& wb, bool old) {
  std::vector<double*> cells;
  for (int l = 1; l < wb.NumOfLayers; ++l)
    for (TNeuron& nr : wb.Net[static_cast<std::size_t>(l)]) {
      std::vector<double>& w = old ? nr.OldWeights : nr.Weights;
      if (old && w.size() != nr.Weights.size()) w.resize(nr.Weights.size(), 0.0);
      for (double& x : w) cells.push_back(&x);
    }
  return cells;
}

bool NetworkReady(Workbench& wb) {
  if (ReadParameters(wb)) return false;
  if (wb.Layers.size() < 2 || wb.Layers[0] < 1 || wb.Layers[1] < 1 || wb.NumOfWeights < 2) return false;
  if (Trim(wb.ResultsPrefix).empty()) return false;
  // The network must be there, of the shape of the parameters.
  if (wb.Net.size() < static_cast<std::size_t>(wb.NumOfLayers)) return false;
  std::size_t n = 0;
  for (int l = 1; l < wb.NumOfLayers; ++l)
    for (const TNeuron& nr : wb.Net[static_cast<std::size_t>(l)]) n += nr.Weights.size();
  return n == static_cast<std::size_t>(wb.NumOfWeights);
}

std::string PcaPath(Workbench& wb, const std::string& name) {
  EnsureDirectory(wb.Path("PCA"));
  return wb.Path("PCA/" + name);
}

void OpenOut(AtomicOfstream& out, const std::string& path) {
  out.open(path, std::ios::binary | std::ios::trunc);
  if (!out) throw FileError("Cannot create file " + path);
}

// The weight layer and neuron of the sections: LEdit a weight layer of the network, NEdit a neuron of
// it; false otherwise.
bool SectionNeuron(const Workbench& wb, int& L, int& N) {
  const std::string l = Trim(wb.Form1.LEdit.Text()), n = Trim(wb.Form1.NEdit.Text());
  if (!TryStrToInt(l, L) || L < 1 || L >= wb.NumOfLayers) return false;
  if (n.empty() || !IsNumber(n) || !TryStrToInt(n, N)) return false;
  return N >= 0 && N < wb.Layers[static_cast<std::size_t>(L)];
}

void DrawMarkerSquares(Canvas& c, int X, int Y, const std::vector<int>& halves) {
  for (int h : halves) c.Rectangle(X - h, Y - h, X + h, Y + h);
}

// The section curves of the neuron's weights (the samples 25 .. 176 set the vertical range).
void DrawSections(Workbench& wb, const Geometry& g, int L, int N) {
  DrawESSections(wb, 5);
  const std::size_t rows = std::min(wb.SectionSamples.size(),
                                    static_cast<std::size_t>(wb.LayerInputs[static_cast<std::size_t>(L - 1)] + 1));
  double hi = 0.0, lo = 0.0;
  SectionRange(std::vector<std::vector<double>>(wb.SectionSamples.begin(),
                                                wb.SectionSamples.begin() + static_cast<std::ptrdiff_t>(rows)),
               static_cast<double>(wb.NumOfVectors) * wb.NumOfClasses, hi, lo);
  if (hi <= lo) {
    wb.Plat.ShowMessage("maxpaintE <= minpaintE");
    return;
  }
  const double s = (g.W - 2.0 * g.M) / (hi - lo);
  auto y = [&](double e) { return g.W - g.M - RoundPx((e - lo) * s); };
  Canvas c(Picture(wb, 3));
  c.SetPenWidth(g.ps);
  for (std::size_t k = 0; k < rows; ++k) {
    const std::vector<double>& row = wb.SectionSamples[k];
    c.SetPenColor(wb.PlotColors[k % 8]);
    c.MoveTo(g.C - 300, y(row[25]));
    std::size_t i = 0;
    for (int u = -200; u <= 200; ++u) {
      const int a = std::abs(u);
      if (a < 50 || (a < 100 && u % 2 == 0)) {
        const int X = g.C + 3 * u, Y = y(row[i]);
        c.LineTo(X, Y);
        if (i == 101) {
          c.Line(X, Y - 8, X, Y + 8);
          c.MoveTo(X, Y);
        }
        ++i;
      } else if (a >= 100 && u % 4 == 0) {
        ++i;
      }
    }
    const double v = wb.SearchDirection[0][static_cast<std::size_t>(L - 1)][static_cast<std::size_t>(N)][k];
    const int x = g.C + RoundPx(v / 0.05 * 3);
    c.Line(x, g.M, x, g.W - g.M);
  }
  DrawESSections(wb, 6);
}

}  // namespace

void SectionRange(const std::vector<std::vector<double>>& rows, double start, double& hi, double& lo) {
  hi = 0.0;
  lo = start;
  for (const std::vector<double>& row : rows)
    for (std::size_t i = 25; i <= 176 && i < row.size(); ++i) {
      if (row[i] > hi) hi = row[i];
      if (row[i] < lo) lo = row[i];
    }
}

std::string VContraDWCaption(const Workbench& wb) {
  std::string c = "dS+dw epoch=" + wb.Form1.VdwEdit1.Text();
  if (wb.NumOfLayers <= 2) return c + "  red=hidden";
  if (wb.NumOfLayers == 3) return c + "  red=hidden  blue=output";
  return c + "  red=hidden  green=hidden  blue=output";
}

void DrawESSections(Workbench& wb, int mode) {
  const Geometry g = GeometryOf(wb.PointSize);
  switch (mode) {
    case 1:
      for (int i : {2, 3}) {
        Picture(wb, i) = MakePicture(g.W, g.W);
        DrawAxes(Picture(wb, i), g);
      }
      break;
    case 2:
      wb.HRF.SetCaption(VContraDWCaption(wb));
      wb.ORF.SetCaption("ES sections");
      ShowPicture(wb, wb.HRF, PictureWithAxes(wb, 2, g));
      ShowPicture(wb, wb.ORF, PictureWithAxes(wb, 3, g));
      break;
    case 3:
      Picture(wb, 2) = MakePicture(g.W, g.W);
      DrawAxes(Picture(wb, 2), g);
      break;
    case 4:
      wb.HRF.SetCaption(VContraDWCaption(wb));
      ShowPicture(wb, wb.HRF, PictureWithAxes(wb, 2, g));
      break;
    case 5:
      Picture(wb, 3) = MakePicture(g.W, g.W);
      break;
    case 6:
      wb.ORF.SetCaption("ES sections");
      if (Picture(wb, 3).isNull()) Picture(wb, 3) = MakePicture(g.W, g.W);
      ShowPicture(wb, wb.ORF, Picture(wb, 3));
      break;
    default:
      break;
  }
  wb.ORF.SE.SetVisible(false);
  wb.ORF.ASB.SetVisible(false);
  wb.ORF.Label1.SetVisible(false);
}

namespace {

// The scales of a V contra dW plot: the largest |V| and |dW| reach the half width less the margin,
// divided by the coefficients coef_V2 and coef_d2. False after a message when either largest is 0.
bool VdwScales(Workbench& wb, const Geometry& g, std::span<const double> V, std::span<const double> D, double& sx,
               double& sy) {
  double maxV = 0.0, maxD = 0.0;
  for (std::size_t i = 0; i < V.size(); ++i) {
    maxV = std::max(maxV, std::fabs(V[i]));
    maxD = std::max(maxD, std::fabs(D[i]));
  }
  if (maxV == 0.0) {
    wb.Plat.ShowMessage("Error: max_V=0");
    return false;
  }
  if (maxD == 0.0) {
    wb.Plat.ShowMessage("Error: max_Dist_min=0");
    return false;
  }
  const double cV = StrToFloat(Trim(wb.Form1.coef_V2Edit.Text()));
  const double cD = StrToFloat(Trim(wb.Form1.coef_d2Edit.Text()));
  sx = (g.C - g.M) / (cV * maxV);
  sy = (g.C - g.M) / (cD * maxD);
  return true;
}

}  // namespace

void PlotVContraDW(Workbench& wb, int mode) {
  const Geometry g = GeometryOf(wb.PointSize);
  const WeightShape& shape = wb.SearchDirection.Shape();
  if (wb.SearchDirection.Empty() || wb.VdwData.Empty() || wb.VdwData.Shape().RowSize != shape.RowSize) return;
  const std::span<const double> V = std::as_const(wb.SearchDirection).Row(0);
  const std::span<const double> D = std::as_const(wb.VdwData).Row(0);
  if (mode == 2) {
    if (!VdwScales(wb, g, V, D, wb.VdwScaleX, wb.VdwScaleY)) return;
  }
  Canvas c(PictureWithAxes(wb, mode == 3 ? 3 : 2, g));
  const double MS = MarkerScaleOf(wb);
  const int m1 = RoundPx(MS * g.ps), m2 = RoundPx(2 * MS * g.ps), m3 = RoundPx(3 * MS * g.ps), m4 = RoundPx(4 * MS * g.ps);
  c.SetPenWidth(2 * g.ps);
  const bool black = wb.Form1.BigBlackBox.Checked();
  const int last = shape.NumLayers();
  std::size_t i = 0;
  for (int li = 0; li < shape.NumLayers(); ++li) {
    const int layer = li + 1;
    const std::size_t count = static_cast<std::size_t>(shape.Neurons[static_cast<std::size_t>(li)]) *
                              static_cast<std::size_t>(shape.Weights[static_cast<std::size_t>(li)]);
    const std::int64_t colour = black ? clBlack : layer == 1 ? wb.PlotColors[1] : layer == last ? wb.PlotColors[2]
                                                                                               : wb.PlotColors[3];
    c.SetPenColor(colour);
    for (std::size_t j = 0; j < count; ++j, ++i) {
      const double x = g.C + V[i] * wb.VdwScaleX, y = g.C - D[i] * wb.VdwScaleY;
      if (!std::isfinite(x) || !std::isfinite(y)) continue;
      const int X = RoundPx(x), Y = RoundPx(y);
      if (std::abs(X) >= g.W || std::abs(Y) >= g.W) continue;
      if (layer == 1) {
        c.Line(X - m4, Y - m4, X + m4, Y + m4);
        c.Line(X - m4, Y + m4, X + m4, Y - m4);
      } else if (layer == last) {
        c.Rectangle(X - m3, Y - m3, X + m3, Y + m3);
      } else {
        c.Polyline({{X - m3, Y + m2}, {X + m3, Y + m2}, {X, Y - m4}, {X - m3, Y + m2}});
        c.Polyline({{X - m2, Y + m1}, {X + m1, Y + m1}, {X, Y - m2}, {X - m2, Y + m1}, {X + m1, Y - m1}});
      }
    }
  }
}

void PlotVContraDW2(Workbench& wb, int L, int N) {
  const Geometry g = GeometryOf(wb.PointSize);
  const auto l = static_cast<std::size_t>(L - 1), n = static_cast<std::size_t>(N);
  const std::span<double> V = wb.SearchDirection[0][l][n];
  const std::span<double> D = wb.VdwData[0][l][n];
  double sx = 0.0, sy = 0.0;
  if (!VdwScales(wb, g, V, D, sx, sy)) return;
  Canvas c(PictureWithAxes(wb, 2, g));
  c.SetPenWidth(2 * g.ps);
  const bool black = wb.Form1.BigBlackBox.Checked();
  const std::vector<int> halves = black ? std::vector<int>{3 * g.ps, 2 * g.ps, g.ps} : std::vector<int>{2 * g.ps, g.ps};
  for (std::size_t k = 0; k < V.size(); ++k) {
    const double x = g.C + V[k] * sx, y = g.C - D[k] * sy;
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    const int X = RoundPx(x), Y = RoundPx(y);
    if (std::abs(X) >= g.W || std::abs(Y) >= g.W) continue;
    c.SetPenColor(wb.PlotColors[k % 8]);
    DrawMarkerSquares(c, X, Y, halves);
  }
}

std::vector<WMRow> ReadWMRows(const std::string& file, std::size_t weights, int line) {
  TextLineReader in;
  if (!in.Open(file)) throw FileError("Cannot open file " + file);
  std::vector<WMRow> rows;
  std::string text;
  for (std::size_t e = 0; in.Next(text); ++e) {
    if (line >= 0 && e < static_cast<std::size_t>(line)) continue;
    if (line >= 0 && e > static_cast<std::size_t>(line)) break;
    WMRow row{e, {}};
    row.Values.reserve(weights);
    int pos = 1;
    for (std::string token = NextLineToken(text, pos); !token.empty(); token = NextLineToken(text, pos)) {
      double v = 0.0;
      if (!TryStrToFloat(token, v))
        throw FileError("Weight matrix file " + file + ", line " + IntToStr(static_cast<std::int64_t>(e) + 1) + ": " +
                        QuotedText(token) + " is not a weight. Choose a weight matrix of this network (one row of its " +
                        IntToStr(static_cast<std::int64_t>(weights)) + " weights per epoch, as a training writes to PCA).");
      row.Values.push_back(v);
    }
    if (row.Values.size() != weights)
      throw FileError("Weight matrix file " + file + ", line " + IntToStr(static_cast<std::int64_t>(e) + 1) +
                      " holds " + IntToStr(static_cast<std::int64_t>(row.Values.size())) + " weights, the network has " +
                      IntToStr(static_cast<std::int64_t>(weights)) +
                      ": the file was made for another network. Choose a weight matrix of this network, or train it "
                      "again.");
    rows.push_back(std::move(row));
  }
  if (in.Failed()) throw FileError("Cannot read file " + file);
  return rows;
}

void WriteWMErrors(Workbench& wb, const std::vector<WMRow>& rows, int a, int b) {
  const bool lm = a == 1 && b == 1;
  // An exchange file: an error before its end leaves the file before.
  AtomicOfstream out;
  if (lm) OpenOut(out, PcaPath(wb, "LM_weights.txt"));
  const std::vector<double*> cells = WeightCells(wb, b != 1);
  const bool matlab = wb.Form1.WMMatlabBox.Checked();
  const std::vector<int> order = matlab ? MatlabToSystemOrder(wb) : std::vector<int>();
  for (const WMRow& row : rows) {
    wb.Plat.ProcessEvents();
    for (std::size_t t = 0; t < cells.size() && t < row.Values.size(); ++t)
      *cells[matlab ? static_cast<std::size_t>(order[t]) : t] = row.Values[t];
    if (lm) {
      wb.CurrentError = DirectionScanError(wb);
      out << FormatReal(wb.CurrentError) << "\r\n";
      for (int l = 1; l < wb.NumOfLayers; ++l)
        for (std::size_t n = 0; n < wb.Net[static_cast<std::size_t>(l)].size(); ++n) {
          const std::vector<double>& w = wb.Net[static_cast<std::size_t>(l)][n].Weights;
          for (std::size_t k = 0; k < w.size(); ++k)
            out << l << "  " << n << "  " << k << "   " << FormatReal(w[k]) << "\r\n";
        }
      out << "\r\n";
    }
  }
  if (lm) CloseWritten(out);
}

void WMErrorCheck(Workbench& wb) {
  if (!NetworkReady(wb)) return;
  FileDialog& dlg = wb.Form1.WeightsDialog;
  dlg.InitialDir = wb.Path("PCA");
  if (!wb.Plat.Execute(dlg)) return;
  // Every row read and checked against the network before any weight changes.
  const std::vector<WMRow> rows = ReadWMRows(dlg.FileName, static_cast<std::size_t>(wb.NumOfWeights), -1);
  InitNG(wb, 1);
  WriteWMErrors(wb, rows, 1, 1);
}

void WMDirectionAnalysis(Workbench& wb, int mode) {
  TForm1& f = wb.Form1;
  if (!NetworkReady(wb)) return;
  if (!CheckNumber(wb, f.MarkerSizeEdit, "Marker Size", false, 0.1, 10)) return;
  wb.PointSize = std::max(1, StrToInt(Trim(f.PSEdit.Text())));
  const Geometry g = GeometryOf(wb.PointSize);
  std::string path;
  if (mode == 1) {
    FileDialog& dlg = f.WMDialog;
    dlg.InitialDir = wb.Path("PCA");
    if (!wb.Plat.Execute(dlg)) return;
    path = dlg.FileName;
  } else {
    path = wb.Path(f.WMWeightLabBox.Checked() ? "PCA/WM_weightlab.txt" : "PCA/WM_matlab.txt");
    if (!FileExists(path)) return;
  }
  HourglassGuard hourglass(wb.Plat);
  const int e = StrToInt(Trim(f.VdwEdit1.Text()));
  // The two rows the scan reads, checked against the network before any weight changes.
  const auto weights = static_cast<std::size_t>(wb.NumOfWeights);
  const std::vector<WMRow> from = ReadWMRows(path, weights, e), to = ReadWMRows(path, weights, e + 1);
  InitNG(wb, 1);
  // The direction tables of this network, whatever "V contra dW" says.
  const WeightShape shape = NGShape(wb);
  SizeLike(wb.SearchDirection, shape);
  SizeLike(wb.VdwData, shape);
  WriteWMErrors(wb, from, 1, 1);
  WriteWMErrors(wb, to, 2, 2);

  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    const auto kk = static_cast<std::size_t>(k);
    wb.SearchDirection.Row(0)[i] = nr.OldWeights[kk] - nr.Weights[kk];
  });
  {
    AtomicOfstream out;
    OpenOut(out, PcaPath(wb, "w-o-v.txt"));
    std::string now, next, step;
    ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
      const auto kk = static_cast<std::size_t>(k);
      now += "  " + FormatReal(nr.Weights[kk]);
      next += "  " + FormatReal(nr.OldWeights[kk]);
      step += "  " + FormatReal(wb.SearchDirection.Row(0)[i]);
    });
    out << now << "\r\n" << next << "\r\n" << step;
    CloseWritten(out);
  }

  int L = 0, N = 0;
  const bool sections = SectionNeuron(wb, L, N);
  if (!sections && mode == 2) return;
  if (sections)
    wb.SectionSamples.assign(static_cast<std::size_t>(wb.LayerInputs[static_cast<std::size_t>(L - 1)] + 1),
                             std::vector<double>(202, 0.0));
  DrawESSections(wb, 3);
  wb.LogWMDFile.abandon();
  if (f.LogWMDBox.Checked()) OpenOut(wb.LogWMDFile, wb.ResultsPrefix + "_LogWMD.txt");
  const LogEnd closer(wb.LogWMDFile);

  int count = 0;
  ForEachNGWeight(wb, [&](int l, int n, int k, std::size_t, TNeuron& nr) {
    const bool chosen = sections && l == L && n == N;
    if (mode == 2 && !chosen) return;
    if (mode == 1) {
      ++count;
      f.ep.SetText("current weight: " + IntToStr(count) + " / " + IntToStr(wb.NumOfWeights));
      f.ep.Repaint();
    }
    const double w0 = nr.Weights[static_cast<std::size_t>(k)];
    LogWMD(wb, l, n, k, w0, chosen);
    nr.Weights[static_cast<std::size_t>(k)] = w0;
  });
  if (wb.LogWMDFile.is_open()) CloseWritten(wb.LogWMDFile);

  if (mode == 1)
    PlotVContraDW(wb, 2);
  else
    PlotVContraDW2(wb, L, N);
  DrawESSections(wb, 4);
  if (sections) DrawSections(wb, g, L, N);
}

}  // namespace wl
