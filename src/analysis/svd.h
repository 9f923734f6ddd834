#pragma once
// The one singular value decomposition of the program (Golub-Reinsch), shared by the PCA of a weight
// trajectory and the PCA of a data set. Plain C++: no Qt, no workbench.
#include <functional>
#include <string>
#include <vector>

#include "state/matrix.h"

namespace wl {

// Decomposes the m x n matrix a (m >= n, a at least that large) into U diag(w) V^T: a is overwritten with
// U, w gets the n singular values (entries 0 .. n-1; w grows when shorter), v is made n x n with the right
// singular vectors in its columns (column j belongs to w[j]). The values are not sorted: they stay in the
// order in which the iteration delivers them, and a negative value is made positive by flipping its column
// of v; no other sign rule applies. False when a value does not converge within 30 iterations (the
// values reached so far are then in w and v) or when the sizes do not fit.
//
// progress, when given, hears "Calculating SVD... 0%" at the start, 10% .. 50% as the bidiagonal
// reduction passes columns Round(0.05 n), Round(0.13 n), Round(0.24 n), Round(0.4 n) and n (one stage a
// column at most, in this order), 70% after the right-hand accumulation and 90% before the
// diagonalisation. step, when given, is called once per column of each of the four passes (the
// caller's event pump: a large matrix takes seconds).
bool SVD(Matrix& a, int m, int n, std::vector<double>& w, Matrix& v,
         const std::function<void(const std::string&)>& progress = {}, const std::function<void()>& step = {});

}  // namespace wl
