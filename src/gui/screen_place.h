#pragma once
// Where a window of the program goes on the screen. The routines give a window's place as the frame's top
// left and its size as the client area; the window system adds a frame (a title bar, borders) whose size is
// known only once the window is shown. A window the program places is kept with its whole frame on the
// free area of its screen (out of the taskbar), moved and, when larger than that area, made smaller.
#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

namespace wl {

// The frame the window system puts around a window: its own once it has one, else the largest one seen
// on another window of the program (none seen: no frame).
QMargins FrameMargins(const QWidget* w);
// Moves (and if need be shrinks) a top-level window so that its frame lies whole on its screen's free area.
void KeepOnScreen(QWidget* w);
// The program places a window: its frame's top left at `frameTopLeft` (for a window not shown yet, the
// cascaded place of CascadedPlace), shown and brought forward (and given the focus with `activate`), kept
// on the screen now and again once the window system has framed it.
void ShowAt(QWidget* w, QPoint frameTopLeft, bool activate = true);
// The least a window opened on another one's place is moved by, right and down (a title bar).
inline constexpr int kCascadeStep = 24;
// Where a window about to be shown goes so that it does not lie on another shown window of the program:
// while its frame (as kept on the screen) would have its left edge within a step of another's and cover
// that one's top left corner, where its title bar is, it goes one step right of and below that one. Moved so, it is made smaller when it then
// reaches past the free area (down to two thirds of its size) rather than being moved back. A window
// wanted where no other one lies, and a frameless one, stay where they are wanted.
QPoint CascadedPlace(QWidget* w, QPoint wanted);
// The free area the windows are kept in, in place of the window system's (a test that acts a screen of its
// own size on a display of another); an empty rectangle gives the window system's back.
void SetScreenArea(const QRect& area);
// The free area a window is kept in (the screen it stands on, out of the taskbar; or the one a test set).
QRect FreeScreenArea(const QWidget* w);
// A window's frame wanted at `wanted` on the free area `area`, to be kept off `clear` (controls of another
// window that must stay in sight). The wanted place moved onto the area, when it keeps clear; else the
// nearest place beside, above or below `clear` where the whole frame fits; else the frame made lower (down
// to `minHeight`) above or below `clear`, where it can be highest; else the wanted place on the area.
QRect PlaceClearOf(const QRect& area, const QRect& wanted, const QRect& clear, int minHeight);
// Keeps a window that is shown already, or about to be, on the screen (now and once it is framed).
void KeepOnScreenSoon(QWidget* w);
// The user has moved the window: the program's placements still to come (KeepOnScreenSoon) are dropped.
void DropPendingPlacements(QWidget* w);

}  // namespace wl
