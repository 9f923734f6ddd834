#pragma once
// The L-net drivers of the "SMLP" menu: "constant L" (NumOfClasses intervals per continuous feature,
// trained by one change and bound shifts, or with "Use sorting" by the discrete numerical gradient; log
// ResultsPrefix + "_Lconst.txt") and "merging L" (4 x NumOfClasses intervals, one change; log
// ResultsPrefix + "_Lmerge.txt"). Each ends with the rules, the weights and the intervals in its log,
// which it does not open in the editor. LUnitsMode stays 7 until another run sets it.

namespace wl {

struct Workbench;

void TrainConstantL(Workbench& wb);
void TrainMergingL(Workbench& wb);

}  // namespace wl
