#include "analysis/weight_forms.h"

#include <algorithm>
#include <cstdlib>

#include "analysis/canvas.h"
#include "analysis/picture_saving.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"

namespace wl {


WeightPictureGeometry WeightPictureLayout(const std::vector<int>& layers, const int* layerInputs, int numOfLayers,
                                          int P, int screenHeight) {
  WeightPictureGeometry g;
  g.P = P;
  g.T = 2 * P;
  auto height = [&](int perWeight, int perNeuron, int top) {
    int h = top;
    for (int l = 1; l < numOfLayers; ++l) h += layers[static_cast<std::size_t>(l)] * (perWeight * (layerInputs[l - 1] + 1) + perNeuron);
    return h;
  };
  g.H = height(4 * P, 20 * P, 26 * P);
  if (g.H > 931) {
    // A large network: half-thickness bars and smaller gaps. The bars start at 26P whatever their
    // thickness, so the height starts there too (from 20P the last bars fell below the picture).
    g.T = P;
    g.H = height(2 * P, 10 * P, 26 * P);
  }
  g.H -= 8 * g.T;
  g.Wp = g.H + 80 * P > screenHeight ? 612 * P : 629 * P;
  g.X0 = RoundInt(g.Wp * 0.5);
  g.S = 20;
  g.G = RoundInt(static_cast<double>(g.Wp) / (2.0 * g.S));
  return g;
}

int WeightFormOfCaption(const std::string& caption) {
  if (caption.empty()) return -1;
  if (caption[0] == 'E') return 0;
  if (caption[0] == 'T') return 1;
  return -1;
}

namespace {

int PointSizeOf(const Workbench& wb) { return StrToInt(Trim(wb.Form1.PSEdit.Text())); }

void RequireNetwork(const Workbench& wb) {
  if (wb.Net.size() < 2 || wb.Layers.size() != wb.Net.size())
    throw WlError("No network has been created yet. Create the network first (Create Network).");
}

std::string LayerSizes(const Workbench& wb) {
  std::string s;
  for (std::size_t l = 0; l < wb.Layers.size(); ++l) {
    if (l) s += '-';
    s += IntToStr(wb.Layers[l]);
  }
  return s;
}

}  // namespace

void ShowWeightForm(Workbench& wb, int k) {
  RequireNetwork(wb);
  TWfr& form = wb.WeightForms[static_cast<std::size_t>(k)];
  const int P = PointSizeOf(wb);
  wb.WeightFormIndex = k;
  const int layers = static_cast<int>(wb.Net.size());
  const WeightPictureGeometry g = WeightPictureLayout(wb.Layers, wb.LayerInputs.data(), layers, P, wb.ScreenHeight);
  form.Geometry = g;

  wb.WeightFormExists[static_cast<std::size_t>(k)] = true;
  form.StayOnTop = wb.Form1.wstBox.Checked();
  Pictures(form).Bitmap = MakePicture(g.Wp, g.H);

  const int full = g.H + 80 * P;
  const int extra = wb.FontPct > 121 ? 12 : 0;
  form.Height = std::min(wb.ScreenHeight, full) + extra;
  form.Top = k == 0 ? 0 : (full > wb.ScreenHeight ? 0 : wb.ScreenHeight - full - extra);
  form.Width = 640;
  form.Left = wb.ScreenWidth - 640;

  wb.WeightFormOpen[static_cast<std::size_t>(k)] = true;
  form.PictureTop = 3;
  form.PictureLeft = 2;
  form.PictureHeight = full - 80;
  form.PictureWidth = g.Wp;
  form.ButtonsTop = full - 64;
  form.SetCaption(std::string(k == 0 ? "ES Weights     " : "Trajectory Weights     ") + wb.DataBaseName + " " +
                  LayerSizes(wb));
  wb.Plat.ShowWindow(form.Name());

  wb.LayerColors = {clBlack, clFuchsia, clPurple, clRed};
  if (layers == 3) {
    wb.LayerColors[2] = clRed;
    wb.LayerColors[1] = clPurple;
  } else if (layers == 2) {
    wb.LayerColors[1] = clRed;
  }
  DrawWeights(wb, k);
}

void DrawWeights(Workbench& wb, int k) {
  TWfr& form = wb.WeightForms[static_cast<std::size_t>(k)];
  const int P = PointSizeOf(wb);
  wb.WeightFormIndex = k;
  if (!Picture(form)) return;
  RequireNetwork(wb);
  const WeightPictureGeometry& g = form.Geometry;
  const int T = g.T, H = g.H, Wp = g.Wp, X0 = g.X0, S = g.S;
  Canvas c(Pictures(form).Bitmap);
  c.SetBrushColor(clWhite);
  c.FillRect(0, 0, Wp - 1, H - 1);

  c.SetPenWidth(P);
  c.SetFontSize(11 * P);
  for (int i = -g.G; i <= g.G; ++i) {
    const int x = X0 - P + i * S;
    c.SetPenColor(i % 5 == 0 ? clBlack : clSilver);
    c.Line(x, 20 * P, x, H - P);
    if (i % 5 == 0) {
      c.SetFontColor(clBlack);
      c.TextOut(X0 - 7 * P + i * S, 3 * P, IntToStr(i));
    }
  }

  form.Bars.clear();
  c.SetPenWidth(T);
  // A bar reaches no closer than 2P to the picture's edges; a longer one is cut before the edge and ends
  // in an arrowhead that points on.
  const int base = X0 - P;
  const int reachLeft = base - 2 * P, reachRight = Wp - 3 * P - base;
  const int arrow = 6 * P;
  int y = 26 * P;
  for (std::size_t l = 1; l < wb.Net.size(); ++l) {
    const int inputs = wb.LayerInputs[l - 1];
    for (const TNeuron& n : wb.Net[l]) {
      for (int j = 0; j <= inputs && j < static_cast<int>(n.Weights.size()); ++j) {
        // Weights past the inputs of the layer below (crossover connections) are drawn in blue.
        c.SetPenColor(j > wb.Layers[l - 1] ? clBlue : wb.LayerColors[std::min<std::size_t>(l, 3)]);
        const double w = n.Weights[static_cast<std::size_t>(j)];
        const double length = S * w;
        int x2 = base + RoundInt(std::clamp(length, -1.0e6, 1.0e6));
        if (length > reachRight || length < -reachLeft) {
          const int dir = length > 0 ? 1 : -1;
          x2 = base + dir * (length > 0 ? reachRight : reachLeft);
          const int cut = x2 - dir * arrow;
          c.Line(base, y, cut, y);
          const int half = T;
          c.SetBrushColor(c.PenColor());
          const int pen = c.PenWidth();
          c.SetPenWidth(1);
          c.Polygon({{cut, y - half}, {x2, y}, {cut, y + half}});
          c.SetPenWidth(pen);
        } else {
          c.Line(base, y, x2, y);
        }
        form.Bars.push_back({y, base, x2, w});
        y += 2 * T;
      }
      y += 10 * T;
    }
  }

  c.SetPenWidth(1);
  c.SetPenColor(clWhite);
  c.Polyline({{0, 0}, {Wp - 2, 0}, {Wp - 2, H - 2}, {0, H - 2}, {0, 0}});
  ++form.PictureVersion;
  form.I1.Repaint();
}

void SaveWeightPicture(Workbench& wb, TWfr& form) {
  const int k = WeightFormOfCaption(form.Caption());
  if (k < 0 || !Picture(form)) return;
  const std::string file =
      wb.ResultsPrefix + "_" + form.Caption().substr(0, 1) + "weights_" + IntToStr(wb.WeightsPictureNo) + ".gif";
  ++wb.WeightsPictureNo;
  form.SaveDialog1.InitialDir = wb.ProgramDir + "/results/";
  WriteGif(*Picture(form), file);
}

void SaveWeightPictureAs(Workbench& wb, TWfr& form) {
  const int k = WeightFormOfCaption(form.Caption());
  if (k < 0 || !Picture(form)) return;
  form.SaveDialog1.InitialDir = wb.ProgramDir + "/results/";
  if (!wb.Plat.Execute(form.SaveDialog1)) return;
  ++wb.WeightsPictureNo;
  std::string file = form.SaveDialog1.FileName;
  if (file.size() < 4 || file.compare(file.size() - 4, 4, ".gif") != 0) file += ".gif";
  WriteGif(*Picture(form), file);
}

void CloseWeightForm(Workbench& wb, TWfr& form) {
  const int k = WeightFormOfCaption(form.Caption());
  if (k < 0) return;
  wb.WeightFormOpen[static_cast<std::size_t>(form.Index())] = false;
}

void ReopenWeightForm(Workbench& wb, int k) {
  if (k < 0 || k > 1 || !wb.WeightFormExists[static_cast<std::size_t>(k)]) return;
  wb.WeightFormOpen[static_cast<std::size_t>(k)] = true;
}

void WeightFormMouseMove(Workbench& wb, TWfr& form, int x, int y) {
  const int k = WeightFormOfCaption(form.Caption());
  if (k < 0) return;
  wb.WeightFormIndex = form.Index();
  for (const WeightBar& b : form.Bars) {
    if (std::abs(b.Y - y) > 1) continue;
    const bool hit = b.Weight >= 0.0 ? (x >= b.X1 - 2 && x <= b.X2 + 2) : (x >= b.X2 - 2 && x <= b.X1 + 3);
    if (hit) {
      form.Hint = FloatToStr(b.Weight);
      form.HintOn = true;
      return;
    }
  }
  form.HintOn = false;
}

void WeightFormClick(Workbench& wb, TWfr& form) {
  if (WeightFormOfCaption(form.Caption()) < 0) return;
  TWfr& target = wb.WeightForms[static_cast<std::size_t>(wb.WeightFormIndex == 1 ? 1 : 0)];
  if (!Picture(target)) return;
  Pictures(target).Image1Picture = Pictures(target).Bitmap.copy();
  ++target.PictureVersion;
  target.Image1.Repaint();
}

}  // namespace wl
