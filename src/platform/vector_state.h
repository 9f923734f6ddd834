#pragma once
// The processor's vector registers between library code and ours.

namespace wl {

// Clears the upper halves of the AVX registers (vzeroupper) when the processor has them. Library code
// (Qt's image and painting routines among it) may leave them dirty; until they are cleared, every switch
// between plain SSE code (ours) and AVX code (the maths library's exp) costs dozens of cycles, which made
// the trainers' sigmoids many times slower. Call it after such library code and before hot loops.
void ClearUpperVectorState();

}  // namespace wl
