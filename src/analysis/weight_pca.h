#pragma once
// The PCA of a weight trajectory by the program's own decomposition: of the covariance of the weights over
// the rows of the weight matrix ("SVD on Covariance Matrix"), or of the weight matrix itself ("SVD on
// Weight Matrix"). The results go to Eigenvalues and PrincipalComponents and to the exchange files
// "PCA/pcomp_w.txt", "PCA/eig_w.txt" and "PCA/WM_weightlab.txt". Progress and failures show in ep.
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// Runs the chosen method, the decomposition, the eigenvalue check and ExtractPrincipalComponents; true
// when the components are ready. Fails ("Error!  SVD failed", or "Error!  EigenValue[0]=" and the value)
// when the decomposition does not converge or no eigenvalue is positive.
bool ComputeWeightPCA(Workbench& wb);

// MatrixA := the covariance (divisor WMRows - 1) of the weights over the rows of WeightMatrix.
void ComputeCovarianceMatrix(Workbench& wb);

// The shared decomposition of MatrixA (m x n) with its progress in ep: Eigenvalues, MatrixV, U in MatrixA.
bool RunSVD(Workbench& wb, int m, int n);

// Eigenvalues (of the first n) at the level of rounding noise, |e| <= n * 1e-12 * max(the largest |e|,
// scale), are set to 0: the double mean and covariance leave such noise where the trajectory has no
// variance. For a covariance, scale is the largest squared weight, so that a trajectory without any
// variance (whose largest eigenvalue is noise too) is seen as such.
void ZeroNoiseEigenvalues(std::vector<double>& eig, int n, double scale = 0.0);

// The eigenvalue check shared by both PCAs: "" when some eigenvalue of the first n is positive and none is
// not a number, else the message for ep ("Error!  EigenValue[i]=" + the value of the first offending one:
// eigenvalue 0 when none is positive).
std::string EigenvalueFault(const Workbench& wb, int n);
std::string EigenvalueFault(const std::vector<double>& eigenvalues, int n);

// Rows of MatrixA := the directions (columns of MatrixV); PrincipalComponents := those rows; MatrixA
// shrunk to 1 x 1; then WritePCAFiles.
void ExtractPrincipalComponents(Workbench& wb);

// "PCA/pcomp_w.txt" (components 1 to 6, or as many as there are weights, one line per weight),
// "PCA/eig_w.txt" and "PCA/WM_weightlab.txt" (the weight matrix, each value after two blanks).
void WritePCAFiles(Workbench& wb);

}  // namespace wl
