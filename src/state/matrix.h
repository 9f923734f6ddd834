#pragma once
// A dense matrix of doubles, row-major, indexed from 0: the work matrices of the decomposition.
#include <cstddef>
#include <vector>

namespace wl {

struct Matrix {
  int Rows = 0, Cols = 0;
  std::vector<double> Cells;

  void Resize(int rows, int cols) {
    Rows = rows < 0 ? 0 : rows;
    Cols = cols < 0 ? 0 : cols;
    Cells.assign(static_cast<std::size_t>(Rows) * static_cast<std::size_t>(Cols), 0.0);
  }
  double& operator()(int r, int c) {
    return Cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(Cols) + static_cast<std::size_t>(c)];
  }
  double operator()(int r, int c) const {
    return Cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(Cols) + static_cast<std::size_t>(c)];
  }
};

}  // namespace wl
