#include "smlp/smlp_beam_search.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "smlp/lunit_net.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_network.h"
#include "smlp/smlp_training.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

// A beam member: [hidden unit][input] the input weights of the hidden layer.
using Member = std::vector<std::vector<double>>;

class BeamRun {
 public:
  BeamRun(Workbench& wb, bool randomStarts) : wb_(wb), random_(randomStarts) {
    B_ = wb.BeamWidth;
    Open(beamLog_, beamName_ = wb.ResultsPrefix + "_beam.txt");
    Open(beLog_, beName_ = wb.ResultsPrefix + "_BE.txt");
  }

  void FromOneStart() {
    if (!BuildRunNetwork(wb_)) return;
    SizeForNetwork();
    ExpandBeamMember(0);
    ShowRound(1);
    bool go = Select(1);
    // Every round gives a member one more non-zero weight, so the rounds cannot outnumber the weights.
    for (int r = 2; go && r <= block_ + 1; ++r) {
      for (int k = 0; k < B_; ++k) ExpandBeamMember(k);
      ShowRound(r);
      go = Select(B_);
    }
  }

  // B random networks, each expanded from its own weights from the first round on. One seeding for the
  // B starts: they are drawn one after another, so they differ.
  void FromRandomStarts() {
    wb_.Rng.Randomize(wb_.Plat.MillisecondsOfDay());
    for (int s = 0; s < B_; ++s) {
      if (!BuildRunNetwork(wb_, false)) return;
      if (s == 0) SizeForNetwork();
      for (int j = 0; j < L1_; ++j)
        for (int i = 0; i < L0_; ++i) members_[s][j][i] = wb_.Net[1][j].Weights[i];
    }
    bool go = true;
    for (int r = 1; go && r <= block_ + 1; ++r) {
      for (int k = 0; k < B_; ++k) ExpandBeamMember(k);
      ShowRound(r);
      go = Select(B_);
    }
  }

  double LastError() const { return lastError_; }

  void Close() {
    Close(beamLog_, beamName_);
    Close(beLog_, beName_);
  }

 private:
  static void Open(AtomicOfstream& out, const std::string& name) {
    out.open(name, std::ios::binary | std::ios::trunc);
    if (!out) throw FileError("Cannot write file " + name);
  }
  static void Close(AtomicOfstream& out, const std::string&) {
    if (out.is_open()) CloseWritten(out);
  }
  void Check(AtomicOfstream& out, const std::string& name) {
    if (!out) throw FileError("Cannot write file " + name);
  }

  // The members and the candidate records are sized for the network just built, from which every member
  // is loaded: sized from the network of before, they would not fit it.
  void SizeForNetwork() {
    L0_ = wb_.Layers[0];
    L1_ = wb_.Layers[1];
    block_ = L0_ * L1_;
    const int count = random_ ? B_ : B_ * B_;
    members_.assign(static_cast<std::size_t>(count),
                    Member(static_cast<std::size_t>(L1_), std::vector<double>(static_cast<std::size_t>(L0_), 0.0)));
    previous_ = members_;
    const std::size_t records = static_cast<std::size_t>(random_ ? B_ * B_ : B_) * static_cast<std::size_t>(block_);
    records_.assign(records, BeamCandidate{});
    round_.clear();
    round_.reserve(records);
    written_.assign(static_cast<std::size_t>(B_), 0);
    offset_.assign(wb_.Features.size() + 1, 0);
    for (std::size_t f = 0; f < wb_.Features.size(); ++f) offset_[f + 1] = offset_[f] + StepInputCount(wb_, f);
  }

  void ShowRound(int r) {
    wb_.Form1.ge.SetText(IntToStr(r));
    wb_.Form1.ge.Repaint();
  }

  bool Masked(int f) const {
    return f < static_cast<int>(wb_.FeatureMask.size()) && wb_.FeatureMask[f] == 0;
  }

  void ExpandBeamMember(int k) {
    const Member& m = members_[k];
    for (int j = 0; j < L1_; ++j) {
      std::vector<double>& w = wb_.Net[1][j].Weights;
      for (int i = 0; i < L0_; ++i) {
        w[i] = m[j][i];
        beLog_ << Round(w[i]) << ' ';
      }
    }
    beLog_ << '\n';
    Check(beLog_, beName_);
    const double ek = EvaluateNetwork(wb_);
    lastError_ = ek;
    // Member k's records live in its own block; only those written now take part in the selection.
    int& count = written_[k];
    count = 0;
    BeamCandidate* block = records_.data() + static_cast<std::ptrdiff_t>(k) * block_;
    const int nf = static_cast<int>(wb_.Features.size());
    for (int j = 0; j < L1_; ++j) {
      std::vector<double>& w = wb_.Net[1][j].Weights;
      for (int f = 0; f < nf; ++f)
        for (int i = offset_[f]; i < offset_[f + 1]; ++i) {
          if (m[j][i] != 0.0) continue;
          if (Masked(f)) {
            w[i] = 0.0;
            continue;
          }
          const double base = w[i];
          BeamCandidate c{ek, j, i, 0, k};
          w[i] = base + 1.0;
          const double ePlus = EvaluateNetwork(wb_);
          if (ePlus < ek) {
            c.Step = 1;
            LogTrial(ek, j, i);
          }
          w[i] = base - 1.0;
          const double eMinus = EvaluateNetwork(wb_);
          if (eMinus < ek && eMinus < ePlus) {
            c.Step = -1;
            c.Error = eMinus;
            LogTrial(ek, j, i);
          } else {
            c.Error = ePlus;
          }
          block[count++] = c;
          w[i] = base;
        }
    }
  }

  void LogTrial(double ek, int j, int i) {
    beamLog_ << ChangeLogLine(ek, wb_.SuccessRate, j, i) << '\n';
    Check(beamLog_, beamName_);
  }

  // Sorts this round's records of the first `expanded` members, builds the new beam from the members as
  // they were, logs the selection. True when the best record is a change.
  bool Select(int expanded) {
    round_.clear();
    for (int k = 0; k < expanded; ++k) {
      const BeamCandidate* block = records_.data() + static_cast<std::ptrdiff_t>(k) * block_;
      round_.insert(round_.end(), block, block + written_[k]);
    }
    const int n = static_cast<int>(round_.size());
    SortBeamCandidates(round_, n);
    if (n > 0) {
      previous_ = members_;
      // With fewer records than members the records are taken again from the first.
      for (std::size_t s = 0; s < members_.size(); ++s) {
        const BeamCandidate& c = round_[s % static_cast<std::size_t>(n)];
        members_[s] = previous_[c.Source];
        if (c.Step != 0) members_[s][c.Unit][c.Weight] = c.Step;
      }
    }
    for (int s = 0; s < B_ && s < n && round_[s].Step != 0; ++s) {
      const BeamCandidate& c = round_[s];
      beLog_ << c.Source << "  " << c.Unit << "  " << c.Weight << "  " << c.Step << "  " << Round(c.Error)
             << std::string(8, ' ') << '\n';
    }
    beLog_ << '\n';
    Check(beLog_, beName_);
    return n > 0 && round_[0].Step != 0;
  }

  Workbench& wb_;
  bool random_;
  int B_ = 3, L0_ = 0, L1_ = 0, block_ = 0;
  std::vector<Member> members_, previous_;
  std::vector<BeamCandidate> records_, round_;
  std::vector<int> written_;
  std::vector<int> offset_;
  // The run's logs: an error that ends the run leaves them as far as it got.
  AtomicOfstream beamLog_{AtomicOfstream::RunLog}, beLog_{AtomicOfstream::RunLog};
  std::string beamName_, beName_;
  double lastError_ = 0.0;
};

}  // namespace

void SortBeamCandidates(std::vector<BeamCandidate>& records, int n) {
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b)
      if (records[a].Error < records[b].Error) std::swap(records[a], records[b]);
}

void SMLPBeamSearchTrain(Workbench& wb) {
  TForm1& form = wb.Form1;
  const int epochs = StrToInt(Trim(form.EpochEditT2.Text()));  // a bad text ends the run before any file
  wb.BeamWidth = 3;
  const bool random = form.Rinit.Checked();
  BeamRun run(wb, random);
  wb.OptMet = 1;
  wb.NumOfEpochs = epochs;
  wb.ParamText[7] = "SLMP-1ch ";
  const std::int64_t start = MonotonicMs();
  const std::string startText = FixedDisplayText(EvaluateNetwork(wb), 12, 4);
  form.ge.SetText("- / " + startText);
  form.ge.Repaint();
  wb.NetType = 3;
  if (random)
    run.FromRandomStarts();
  else
    run.FromOneStart();
  wb.ParamText[12] = "slope = " + FloatToStr(wb.Slope);
  wb.ElapsedTime = MonotonicMs() - start;
  form.TrainingEdit.SetText(FormatFixed(static_cast<double>(wb.ElapsedTime) / 1000.0, 2) + "s");
  form.TrainingEdit.Repaint();
  wb.ParamText[4] = "Start Error = " + startText + "   End Error = " + FormatFixed(run.LastError(), 4);
  run.Close();
}

}  // namespace wl
