#pragma once
// The local PCA: the last training divided into four consecutive epoch segments, a record per segment
// with the principal directions of the last weight PCA, and the error surface over the plane of the two
// chosen components drawn once per segment into the error-surface window. The drawing does not depend
// on the segment yet, so the four drawings give the same picture.
namespace wl {

struct Workbench;

// The menu item "Local PCA": refused (with a message) before an error surface has been computed.
void RunLocalPCA(Workbench& wb);
void FillLocalPCASegment(Workbench& wb, int k);
// Draws the surface over the plane of the components on the c1 and c2 axes around the weights of "ES
// fixed at epoch" (the zero point for -1); the segment index is not used yet.
void DrawLocalPCASurface(Workbench& wb, int k);

// The epochs of segment k of a training of the given epochs: round(epochs * k / 4) to round(epochs * (k +
// 1) / 4), halves to even.
int SegmentStartEpoch(int epochs, int k);

}  // namespace wl
