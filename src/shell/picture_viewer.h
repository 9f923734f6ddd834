#pragma once
// The picture viewer "Picture Viewer": made on first use ("Tools" -> "Picture Viewer" or the stay-on-top
// selector), destroyed when closed. It shows a picture, steps through the pictures of the opened file's
// folder ("Next") and back through the ones shown ("Previous"), and saves the shown picture again.
//
// The history holds the full names of the pictures shown, oldest first, at most 1021; a 1022nd drops the
// oldest. HistoryPos points at the picture shown. "Previous" moves it one back (not below 0) and counts a
// back step; "Next" with back steps moves it one forward and takes one back step away, without one it
// takes the folder search's next file and adds it to the history. The back steps are counted up to 255.
// A picture that cannot be read changes neither the history, its position nor the back steps.
// The folder search of "Open" goes on from the opened file, round the folder back to the file before it;
// at its last file "Next" stops.
#include <string>
#include <vector>

#include "shell/command.h"
#include "state/workbench.h"

namespace wl {

// The folder search's files: those of the first kind of "*.gif", "*.jpg", "*.bmp" (extensions in any
// letter case) the folder holds, in the order of their names.
std::vector<std::string> PictureSearch(const std::string& folder);

// Makes the viewer unless it exists (history cleared, the open and save dialogs pointed at "Results/"),
// then shows and activates it.
TPrzegladaj& ShowPictureViewer(Workbench& wb);
// Activation: at the first, the window 818 x 728 and Image1 222 x 222, then the resize rule for the
// window's size (later activations keep the size the user gave it); the selector shows "Picture Viewer".
void ViewerActivate(Workbench& wb, TPrzegladaj& v);
// Resize: Image1 (window width - 16) x (window height - 72).
void ViewerResize(TPrzegladaj& v, int width, int height);
// Close: the window is destroyed.
void CloseViewer(Workbench& wb);

// The fit rule: stretched to Image1 when the picture is at least as wide and as high, else at its size.
void ViewerFit(TPrzegladaj& v);
void ViewerOpen(Workbench& wb, TPrzegladaj& v);
void ViewerNext(Workbench& wb, TPrzegladaj& v);
void ViewerPrevious(Workbench& wb, TPrzegladaj& v);
void ViewerIncrease(Workbench& wb, TPrzegladaj& v);
void ViewerDecrease(Workbench& wb, TPrzegladaj& v);
// "Save as BMP", "Save as GIF" (the 216-colour palette), "Save as JPG" (baseline, quality 90): the dialog
// offers "BMP (*.bmp)", "GIF (*.gif)" or "JPG (*.jpg)"; the name typed gets ".bmp", ".gif" or ".jpg" unless
// it ends in it already. Nothing without a picture.
void ViewerSaveAsBMP(Workbench& wb, TPrzegladaj& v);
void ViewerSaveAsGIF(Workbench& wb, TPrzegladaj& v);
void ViewerSaveAsJPG(Workbench& wb, TPrzegladaj& v);
// Adds a name to the history (the position moves to it).
void AddToHistory(TPrzegladaj& v, const std::string& name);

const std::vector<WindowHandlerRow<TPrzegladaj>>& ViewerHandlerTable();

}  // namespace wl
