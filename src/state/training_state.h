#pragma once
// The program-wide state of the training runs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/zeroed_block.h"
#include "state/dataset.h"
#include "state/network.h"

namespace wl {

struct Workbench;

// The error and the accuracy (share classified correctly, 0..1) of one epoch or one trial.
struct TEpochStat {
  double Error = 0.0;
  double Accuracy = 0.0;
};

// The shape of a per-weight record: layers 1 .. NumOfLayers - 1 of the network (index l - 1), Layers[l]
// neurons each, LayerInputs[l - 1] + 1 weights per neuron (the threshold last).
struct WeightShape {
  std::vector<int> Neurons;            // per layer index l - 1
  std::vector<int> Weights;            // per layer index l - 1: fan-in + 1
  std::vector<std::size_t> Offset;     // start of layer l - 1 within a row
  std::size_t RowSize = 0;             // all weights of the network, thresholds included

  static WeightShape Of(const std::vector<int>& layers, const int* layerInputs, int numOfLayers) {
    WeightShape s;
    for (int l = 1; l < numOfLayers; ++l) {
      s.Neurons.push_back(layers[l]);
      s.Weights.push_back(layerInputs[l - 1] + 1);
      s.Offset.push_back(s.RowSize);
      s.RowSize += static_cast<std::size_t>(layers[l]) * static_cast<std::size_t>(layerInputs[l - 1] + 1);
    }
    return s;
  }
  int NumLayers() const { return static_cast<int>(Neurons.size()); }
};

// A pair of the two-change search from zero weights that lowered the error: hidden neuron N1's weight W1
// and output neuron N2's weight W2, the lowest error on the pair's grid and the two weights' values there.
struct TZeroPair {
  int N1 = 0;
  int W1 = 0;
  int N2 = 0;
  int W2 = 0;
  double Error = 0.0;
  double Step1 = 0.0;
  double Step2 = 0.0;
};

// Where a candidate of the beam search came from: the beam member and its child number; an initial
// candidate carries its own index in both.
struct TCandidateSource {
  int Parent = 0;
  int Child = 0;
};

// Per-weight records of many epochs, indexed [row][l - 1][n][k] like the network's weights, held in one
// block: a row is the whole weight vector in the flat weight order (layer 1 upward, neuron 0 upward, the
// threshold last), which is the row of the weight matrix of the analysis.
template <class T>
class WeightRecords {
 public:
  template <class U>
  class LayerRef {
   public:
    LayerRef(U* p, int weights) : p_(p), weights_(weights) {}
    std::span<U> operator[](std::size_t n) const {
      const auto w = static_cast<std::size_t>(weights_);
      return {p_ + n * w, w};
    }

   private:
    U* p_;
    int weights_;
  };
  template <class U>
  class RowRef {
   public:
    RowRef(U* p, const WeightShape* s) : p_(p), s_(s) {}
    LayerRef<U> operator[](std::size_t l) const { return {p_ + s_->Offset[l], s_->Weights[l]}; }
    std::span<U> Flat() const { return {p_, s_->RowSize}; }

   private:
    U* p_;
    const WeightShape* s_;
  };

  // Sizes the records to `rows` rows of the given shape: a fresh block of zero cells. With keepSameSize a
  // block of the same size is kept as it is instead, each cell holding its last value until it is written
  // again (for records that a run writes in full, which are then not given back to the system and zeroed
  // anew every run).
  void Resize(std::size_t rows, const WeightShape& shape, bool keepSameSize = false) {
    const std::size_t cells = rows * shape.RowSize;
    shape_ = shape;
    rows_ = 0;
    if (!keepSameSize || cells != data_.size() || cells == 0) data_.Reset(cells);
    rows_ = rows;
  }
  // Sizes the records to `rows` zero rows like Resize, but a block of the same size is kept and zeroed
  // again rather than given back for fresh pages, whose first writes cost a page fault each (for records
  // that every run writes again).
  void ResizeZeroed(std::size_t rows, const WeightShape& shape) {
    const std::size_t cells = rows * shape.RowSize;
    if (cells == 0 || cells != data_.size()) {
      Resize(rows, shape);
      return;
    }
    shape_ = shape;
    std::fill_n(data_.data(), cells, T{});
    rows_ = rows;
  }
  std::size_t Rows() const { return rows_; }
  const WeightShape& Shape() const { return shape_; }
  bool Empty() const { return rows_ == 0; }

  RowRef<T> operator[](std::size_t row) { return {data_.data() + row * shape_.RowSize, &shape_}; }
  RowRef<const T> operator[](std::size_t row) const { return {data_.data() + row * shape_.RowSize, &shape_}; }
  // Row r as one weight vector in the flat weight order.
  std::span<T> Row(std::size_t row) { return {data_.data() + row * shape_.RowSize, shape_.RowSize}; }
  std::span<const T> Row(std::size_t row) const { return {data_.data() + row * shape_.RowSize, shape_.RowSize}; }

 private:
  WeightShape shape_;
  std::size_t rows_ = 0;
  ZeroedBlock<T> data_;
};

// The error terms of an online run's vectors, [e][v] (epoch e, vector v), in one block of rows of equal
// length. The block is kept from run to run while its size stays, so that a repeated run writes memory
// already in use rather than fresh pages; and it is not zeroed beforehand for a run that writes its cells
// in order (Put): the cells that run did not reach are zeroed when the record is first read.
class OnlineErrors {
 public:
  // `rows` rows, each a copy of `row`.
  void assign(std::size_t rows, const std::vector<double>& row) {
    cols_ = row.size();
    rows_ = rows;
    data_.resize(rows * cols_);
    for (std::size_t e = 0; e < rows; ++e) std::copy(row.begin(), row.end(), data_.begin() + static_cast<std::ptrdiff_t>(e * cols_));
    stale_ = false;
  }
  // `rows` rows of `cols` zeros.
  void Zero(std::size_t rows, std::size_t cols) {
    cols_ = cols;
    rows_ = rows;
    if (data_.size() == rows * cols) {
      // The cells are zeroed when read, from the first one not put since.
      stale_ = true;
      put_ = 0;
      return;
    }
    data_ = {};
    data_.assign(rows * cols, 0.0);
    stale_ = false;
  }
  // Cell [e][v] := x. Runs put their cells one after the other from [0][0].
  void Put(std::size_t e, std::size_t v, double x) {
    const std::size_t cell = e * cols_ + v;
    if (stale_ && cell != put_) Settle();
    data_[cell] = x;
    put_ += stale_;
  }
  std::size_t size() const { return rows_; }
  bool empty() const { return rows_ == 0; }
  std::span<double> operator[](std::size_t e) {
    Settle();
    return {data_.data() + e * cols_, cols_};
  }
  std::span<const double> operator[](std::size_t e) const {
    Settle();
    return {data_.data() + e * cols_, cols_};
  }
  // No rows, the memory given back.
  void clear() {
    data_ = {};
    rows_ = cols_ = 0;
    stale_ = false;
  }
  // The rows as vectors of their own.
  operator std::vector<std::vector<double>>() const {
    std::vector<std::vector<double>> rows;
    for (std::size_t e = 0; e < rows_; ++e) rows.emplace_back((*this)[e].begin(), (*this)[e].end());
    return rows;
  }

 private:
  // The cells not put since the last Zero become 0.
  void Settle() const {
    if (!stale_) return;
    std::fill(data_.begin() + static_cast<std::ptrdiff_t>(put_), data_.end(), 0.0);
    stale_ = false;
  }

  mutable std::vector<double> data_;
  std::size_t rows_ = 0, cols_ = 0;
  // After a Zero that kept the block: cells from put_ on still hold an earlier run's values.
  mutable bool stale_ = false;
  std::size_t put_ = 0;
};

// The record of an online run: the weights in force when vector v of epoch e is presented, as row
// e * Vectors + v (Row(e, v), indexed [l - 1][n][k] like the network's weights), and the error term of that
// vector (Errors[e][v]). A run either writes the rows as it goes (DirectRows) or leaves a Replay that
// produces them, from the start of each epoch, the first time they are read; either way a reader gets the
// same rows. Rows of epochs the run did not reach are 0.
class OnlineRecord {
 public:
  // Produces the rows of a run into a fresh block of zero rows of the record's size.
  class Replay {
   public:
    virtual ~Replay() = default;
    virtual void Produce(WeightRecords<double>& rows) const = 0;
  };

  int Vectors = 0;
  // The runs write the rows as they go rather than leave them to be replayed (for comparisons of the two).
  bool WriteRows = false;
  // The last run was online backpropagation and made the record (set by it after the preparation,
  // cleared by every preparation).
  bool Recorded = false;
  OnlineErrors Errors;  // [0..L][v]

  // A record of `rows` rows of the given shape, none made yet.
  void Prepare(std::size_t rows, const WeightShape& shape, int vectors) {
    replay_.reset();
    made_ = false;
    size_ = rows;
    shape_ = shape;
    Vectors = vectors;
    Recorded = false;
  }
  // The rows for a run that writes every one of them itself: a block of the same size is reused as it is.
  WeightRecords<double>& DirectRows() {
    replay_.reset();
    if (!made_) rows_.Resize(size_, shape_, true);
    made_ = true;
    return rows_;
  }
  // The rows are to be produced by `replay` when they are first read; the memory of earlier rows is given
  // back.
  void ProduceOnRead(std::shared_ptr<const Replay> replay) {
    rows_ = {};
    replay_ = std::move(replay);
    made_ = true;
  }

  // The rows, produced first if a replay is pending (0 where nothing was made).
  const WeightRecords<double>& Weights() const {
    if (replay_ || !made_ || rows_.Rows() != size_) {
      rows_.Resize(size_, shape_);
      if (replay_) replay_->Produce(rows_);
      replay_.reset();
      made_ = true;
    }
    return rows_;
  }
  std::size_t Rows() const { return size_; }
  std::span<const double> Row(int e, int v) const {
    return Weights().Row(static_cast<std::size_t>(e) * static_cast<std::size_t>(Vectors) + static_cast<std::size_t>(v));
  }
  // Nothing recorded, the memory given back.
  void Clear() {
    replay_.reset();
    rows_ = {};
    made_ = false;
    size_ = 0;
    Errors.clear();
    Recorded = false;
  }

 private:
  mutable WeightRecords<double> rows_;
  mutable std::shared_ptr<const Replay> replay_;
  mutable bool made_ = false;
  std::size_t size_ = 0;
  WeightShape shape_;
};

// The weight-matrix fields a command ("New Training", "Continue training") sets for the run it starts:
// "WM in WeightLab format", and with "full WM" every epoch of the run ("to WM" the epochs to train, "every
// WM" 1, "any WM" empty), with clamp "to WM" at most the epochs to train. The run's end applies them,
// before its weight matrix is exported, so that a refused run leaves the fields as they were
// (WeightMatrixFieldsForRun, training/run_end.h).
struct RunWMFields {
  bool Pending = false;
  bool Clamp = false;
};

struct TrainingState {
  std::string MethodTag = "NA";  // tag of the training method of the last run
  bool SearchRunning = false;
  RunWMFields WMFieldsForRun;

  // The error of the accepted network and of the trial network; the error at the start of the last run
  // and its text.
  double CurrentError = 0.0;
  double NewError = 0.0;
  double StartError = 0.0;
  std::string ResultText;
  // The rates of the network the run holds, the one CurrentError is the error of: copies of SuccessRate
  // and WeightedCorrect as that network's evaluation left them (at the run's start, when a trial is
  // accepted, when the training set changed). An epoch's record takes its accuracy from here.
  double AcceptedSuccessRate = 0.0;
  double AcceptedWeightedRate = 0.0;

  // The records of the last prepared run (L = its history length: NumOfEpochs, or BeamWidth^2 *
  // NumOfEpochs for beam search). Row 0 is the network before training; a trainer writes row e at the end
  // of epoch e; rows above NumOfEpochs are not to be read.
  std::vector<TEpochStat> EpochHistory;       // [0..L]
  WeightRecords<double> WeightHistory;        // [0..L+1][l-1][n][k]: one spare row at the end
  WeightRecords<TEpochStat> WeightTrialHistory;  // [0..L][l-1][n][k]: error after the trial of that weight
  WeightRecords<double> DetailWNormHistory;   // [0..L][l-1][n][k]: squared norm right after that weight
  std::vector<double> WNormHistory;           // [0..L]: squared norm of the weight vector
  // Online backpropagation only: the weights in force at every vector presented and the vectors' errors.
  OnlineRecord Online;

  // Backpropagation: the error signals [l][j] of the vector in hand (the output layer's filled), the
  // gradient step of every weight and the step of the previous update (one row each, [0][l-1][j][k]),
  // and the rate in force. (The length of the last logged step is GradSumSq, shared with the numerical
  // gradient.)
  std::vector<std::vector<double>> BPDelta;
  WeightRecords<double> BPStep, BPPrevStep;
  double BPEta = 0.0;

  // Class statistics of the run preparation: vectors per class (at least 1), the weight of each class in
  // the weighted error, and the order in which the signal plots draw the classes.
  std::vector<int> ClassSize;
  std::vector<double> ClassWeight;
  std::vector<int> ClassOrder;
  // The staircase transfer function's table, [0..NumOfStep], its scale and its range of arguments.
  std::vector<double> StairTable;
  double StairScale = 30.0;
  double StairRange = 0.0;
  // Read by the error functions, set by the trainers: the current epoch of the gradient-type trainers,
  // and the vectors of the current part when the training set is split into NumOfParts parts.
  int Epoch = 0;
  std::vector<int> BatchIndex;
  // What the parts in BatchIndex were drawn for (state/training_parts.h): the data set and the count of
  // parts. Only parts drawn for the data set and the Parts in force are evaluated.
  PartsStamp PartsMadeFor;

  // One-change searches: trials are evaluated through the signal table (set by TrainOneChange); the
  // epoch at which an early stop ended the last run; the per-step accuracy and error of the search
  // trainers (sized by them, filled by the SMLP trainers).
  bool UseSignalTable = false;
  // Changes of the training set in the middle of a run (a compression by the representation hook, a
  // pruning of inputs), counted so that the running trainer takes them from its next epoch; at the last
  // pruning the old index of each input kept; and for each input of the network its index in the network
  // the run started with (empty: the same inputs), since the weight records keep the run's shape.
  int TrainingSetChanges = 0;
  // The error the running trainer compares its trials with, set by the trainer as its run starts (through
  // RunSetErrorGuard, which clears it when the run ends): taken anew after such a change, so that the
  // trials go on comparing with the same data. Null while no trainer that follows such changes runs.
  double (*RunSetError)(Workbench& wb) = nullptr;
  int InputChanges = 0;
  std::vector<int> KeptInputs;
  std::vector<int> RunInputOf;
  int StepCount = 0;
  std::vector<double> StepRateHistory;
  std::vector<double> StepErrorHistory;

  // The two-change search from zero weights: the scanned pairs (improving ones first, in scan order; the
  // others keep Error = the base error), their count, and the direction built from them,
  // [l - 1][n][k] for layers 1 and 2.
  std::vector<TZeroPair> ZeroPairs;
  int ZeroPairCount = 0;
  std::vector<std::vector<std::vector<double>>> ZeroDirection;

  // The beam search over weight sets: the candidates of an epoch and the beam, each a network of its own
  // shaped like Net, with their errors and origins; the next row of WeightHistory / WeightTrialHistory;
  // "History.txt" while a run writes it; the start of the run on the monotonic clock.
  std::vector<std::vector<std::vector<TNeuron>>> CandidateNets;
  std::vector<std::vector<std::vector<TNeuron>>> BeamNets;
  std::vector<double> CandidateErrors;
  std::vector<double> BeamErrors;
  std::vector<TCandidateSource> CandidateSource;
  // The network the members were made for (its weight count and layer sizes), set when the beam is sized.
  NetworkStamp BeamMadeFor;
  int BeamHistoryRow = 0;
  AtomicOfstream BeamHistoryFile{AtomicOfstream::RunLog};
  std::int64_t BeamStartTime = 0;

  // The in-place searches: whether the weight-section twin evaluates through the signal table. They set
  // an epoch's values aside in SearchDirection (state/ng_state.h) before they go into the network together.
  bool InPlaceUseSignalTable = false;
};

}  // namespace wl
