#include "shell/picture_viewer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "analysis/picture_saving.h"
#include "analysis/viewer_pictures.h"
#include "shell/on_top.h"

namespace wl {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char ch) { return std::tolower(ch); });
  return s;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// Loads a picture into the viewer and shows it with the given caption. A picture that cannot be read
// throws before anything changed.
void Show(TPrzegladaj& v, const std::string& path, int blanks) {
  QImage img = ReadPicture(path);
  Pictures(v).Picture = std::move(img);
  ViewerFit(v);
  v.SetCaption(path + std::string(static_cast<std::size_t>(blanks), ' '));
  ++v.PictureVersion;
  v.Image1.Repaint();
}

bool HasPicture(TPrzegladaj& v) { return !Pictures(v).Picture.isNull(); }

// The save dialog's name, with the kind's extension added when the name does not end in it already (in
// any letter case), or "" when cancelled. The dialog offers the files of the kind.
std::string SaveName(Workbench& wb, TPrzegladaj& v, const std::string& kind, const std::string& extension) {
  if (!HasPicture(v)) return "";
  FileDialog& dlg = v.SavePictureDialog1;
  dlg.FileName.clear();
  dlg.Filter = kind + "|*" + extension + "|all files|*";
  if (!wb.Plat.Execute(dlg)) return "";
  const std::string name = dlg.FileName;
  const bool has = name.size() > extension.size() &&
                   Lower(name.substr(name.size() - extension.size())) == extension &&
                   name[name.size() - extension.size() - 1] != '/';
  return has ? name : name + extension;
}

}  // namespace

std::vector<std::string> PictureSearch(const std::string& folder) {
  std::vector<std::string> names[3];
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string ext = Lower(it->path().extension().string());
    const int kind = ext == ".gif" ? 0 : ext == ".jpg" ? 1 : ext == ".bmp" ? 2 : -1;
    if (kind >= 0) names[kind].push_back(it->path().string());
  }
  for (auto& n : names) {
    if (n.empty()) continue;
    std::sort(n.begin(), n.end(), [](const std::string& a, const std::string& b) {
      const std::string la = Lower(a), lb = Lower(b);
      return la != lb ? la < lb : a < b;
    });
    return n;
  }
  return {};
}

TPrzegladaj& ShowPictureViewer(Workbench& wb) {
  if (!wb.ViewerFormExists || !wb.Przegladaj) {
    wb.Przegladaj = std::make_shared<TPrzegladaj>();
    TPrzegladaj& v = *wb.Przegladaj;
    wb.ViewerFormExists = true;
    v.History.clear();
    v.HistoryPos = 0;
    v.BackSteps = 0;
    v.OpenPictureDialog1.InitialDir = wb.Path("\\Results");
    v.SavePictureDialog1.InitialDir = wb.Path("\\Results");
    ConnectWindowHandlerRows(wb, v, ViewerHandlerTable());
  }
  TPrzegladaj& v = *wb.Przegladaj;
  wb.Plat.ShowWindow(v.Name());
  ViewerActivate(wb, v);
  return v;
}

void ViewerActivate(Workbench& wb, TPrzegladaj& v) {
  // The window takes its start size at its first activation only; a size the user gave it stays.
  if (!v.Sized) {
    v.Sized = true;
    v.ImageWidth = v.ImageHeight = 222;
    v.Width = 818;
    v.Height = 728;
    ViewerResize(v, v.Width, v.Height);
  }
  SetTopFormEntry(wb, 7);
}

void ViewerResize(TPrzegladaj& v, int width, int height) {
  v.Width = width;
  v.Height = height;
  v.ImageWidth = width - 16;
  v.ImageHeight = height - 72;
  ViewerFit(v);
  v.Image1.Repaint();
}

void CloseViewer(Workbench& wb) {
  wb.ViewerFormExists = false;
  wb.Przegladaj.reset();
}

void ViewerFit(TPrzegladaj& v) {
  const QImage& p = Pictures(v).Picture;
  v.Stretch = !p.isNull() && p.width() >= v.ImageWidth && p.height() >= v.ImageHeight;
}

void AddToHistory(TPrzegladaj& v, const std::string& name) {
  if (v.History.size() >= TPrzegladaj::HistorySize) v.History.erase(v.History.begin());
  v.History.push_back(name);
  v.HistoryPos = static_cast<int>(v.History.size()) - 1;
}

void ViewerOpen(Workbench& wb, TPrzegladaj& v) {
  FileDialog& dlg = v.OpenPictureDialog1;
  if (!wb.Plat.Execute(dlg)) return;
  v.BackSteps = 0;
  const std::string path = dlg.FileName;
  // The search runs in the chosen file's folder; the working directory stays as it is. It goes on from the
  // chosen file and round to the files before it, so that "Next" reaches every picture of the folder once;
  // a chosen file of another kind (a JPEG among GIFs) starts it at the first file.
  std::vector<std::string> files = PictureSearch(FolderOf(path));
  std::size_t at = files.size();
  for (std::size_t i = 0; i < files.size() && at == files.size(); ++i) {
    std::error_code ec;
    if (files[i] == path || fs::equivalent(files[i], path, ec)) at = i;
  }
  if (at < files.size()) {
    std::rotate(files.begin(), files.begin() + static_cast<std::ptrdiff_t>(at), files.end());
    files.erase(files.begin());  // shown already
  }
  v.SearchFiles = std::move(files);
  v.SearchIndex = -1;
  Show(v, path, 31);
  AddToHistory(v, path);
}

void ViewerNext(Workbench& wb, TPrzegladaj& v) {
  (void)wb;
  if (v.BackSteps == 0) {
    // The folder holds no other picture of its kind, or the search has shown its last file: "Next" stops
    // there (the history does not take the last picture again).
    if (v.SearchIndex + 1 >= static_cast<int>(v.SearchFiles.size())) return;
    ++v.SearchIndex;
    const std::string path = v.SearchFiles[static_cast<std::size_t>(v.SearchIndex)];
    Show(v, path, 25);
    AddToHistory(v, path);
    return;
  }
  if (v.HistoryPos + 1 >= static_cast<int>(v.History.size())) {
    v.BackSteps = 0;
    return;
  }
  Show(v, v.History[static_cast<std::size_t>(v.HistoryPos + 1)], 25);
  ++v.HistoryPos;
  --v.BackSteps;
}

void ViewerPrevious(Workbench& wb, TPrzegladaj& v) {
  (void)wb;
  if (v.HistoryPos <= 0 || v.History.empty()) return;
  Show(v, v.History[static_cast<std::size_t>(v.HistoryPos - 1)], 21);
  --v.HistoryPos;
  if (v.BackSteps < TPrzegladaj::MaxBackSteps) ++v.BackSteps;
}

void ViewerIncrease(Workbench&, TPrzegladaj& v) {
  v.Stretch = true;
  v.Image1.Repaint();
}

void ViewerDecrease(Workbench&, TPrzegladaj& v) {
  v.Stretch = false;
  v.Image1.Repaint();
}

void ViewerSaveAsBMP(Workbench& wb, TPrzegladaj& v) {
  const std::string name = SaveName(wb, v, "BMP", ".bmp");
  if (!name.empty()) WriteBmp(Pictures(v).Picture, name);
}

void ViewerSaveAsGIF(Workbench& wb, TPrzegladaj& v) {
  const std::string name = SaveName(wb, v, "GIF", ".gif");
  if (!name.empty()) WriteGif(Pictures(v).Picture, name);
}

void ViewerSaveAsJPG(Workbench& wb, TPrzegladaj& v) {
  const std::string name = SaveName(wb, v, "JPG", ".jpg");
  if (!name.empty()) WriteJpeg(Pictures(v).Picture, name);
}

const std::vector<WindowHandlerRow<TPrzegladaj>>& ViewerHandlerTable() {
  using E = ControlEvent;
  static const std::vector<WindowHandlerRow<TPrzegladaj>> table = {
      {"Open1", E::MouseReleased, ViewerOpen},           {"Next1", E::MouseReleased, ViewerNext},
      {"Previous1", E::MouseReleased, ViewerPrevious},   {"Increase1", E::MouseReleased, ViewerIncrease},
      {"Desrease1", E::MouseReleased, ViewerDecrease},   {"SaveasBMP2", E::MouseReleased, ViewerSaveAsBMP},
      {"SaveasGIF1", E::MouseReleased, ViewerSaveAsGIF}, {"SaveasJPG1", E::MouseReleased, ViewerSaveAsJPG},
  };
  return table;
}

}  // namespace wl
