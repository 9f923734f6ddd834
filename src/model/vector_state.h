#pragma once
// The evaluation routines are built for plain x86-64 and run legacy-SSE code (their own loops and the C
// library's exp). When code that ran before them (a Qt drawing, a plot, a dialog) leaves the upper halves
// of the AVX registers dirty, every such instruction pays a state-transition penalty and exp costs some
// thirty times as much. Each error routine therefore clears that state where it begins.
//
// ClearVectorState executes vzeroupper on CPUs that have AVX and does nothing elsewhere. It is an
// out-of-line call, so no vector register is live across it (all are caller-saved); the numbers the
// evaluations compute do not change.
namespace wl {

void ClearVectorState() noexcept;

}  // namespace wl
