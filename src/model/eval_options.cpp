#include "model/eval_options.h"

#include "platform/numfmt.h"
#include "state/workbench.h"

namespace wl {

namespace {

OptionNumber ReadNumber(const Edit& e) {
  OptionNumber n;
  n.Valid = TryStrToFloat(e.Text(), n.Value);
  if (!n.Valid) n.Text = e.Text();
  return n;
}

}  // namespace

EvalOptions ReadEvalOptions(const Workbench& wb) {
  const TForm1& f = wb.Form1;
  EvalOptions o;
  o.DefaultClass = f.DefClassBox.Checked();
  o.Entropy = f.entrBox.Checked();
  o.Outside = f.OutsideBox.Checked();
  o.WeightedErrorBox = f.WeightedErrorBox.Checked();
  o.PushWeights = ReadNumber(f.WymEdit);
  o.IntegerStart = ReadNumber(f.StartWEdit);
  o.IntegerPull = ReadNumber(f.pmwEdit);
  if (f.FApproxBox.Checked())
    o.Structure = NetStructure::FunctionApprox;
  else if (f.SkipCheck.Checked())
    o.Structure = NetStructure::Skip;
  else if (f.FullConn.Checked())
    o.Structure = NetStructure::Standard;
  else if (f.strbox.Checked())
    o.Structure = NetStructure::Smlp;
  else
    o.Structure = NetStructure::None;
  return o;
}

const EvalOptions& HeldEvalOptions(Workbench& wb) {
  if (wb.HeldEvalStale) {
    wb.HeldEval = ReadEvalOptions(wb);
    wb.HeldEvalStale = false;
  }
  return wb.HeldEval;
}

double NumberOf(const OptionNumber& n) { return n.Valid ? n.Value : StrToFloat(n.Text); }

}  // namespace wl
