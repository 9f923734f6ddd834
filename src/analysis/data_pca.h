#pragma once
// The PCA of the data set ("PCA on Data"): the covariance of the features, its decomposition by the
// shared SVD, the variance list VarianceBox, and the data set projected on the leading components.
namespace wl {

struct Workbench;

// Writes "PCA/CovMat.txt" (the covariance matrix, then the eigenvectors), decomposes, and fills
// VarianceBox with each component's share of the variance, the running share and the component count.
// False after the message in ep ("Error!  SVD failed", or "Error!  EigenValue[0]=" + value when no
// eigenvalue is positive); the file then holds the covariance matrix only.
bool PCAOnData(Workbench& wb);

// A click on line i of VarianceBox: writes ResultsPrefix + "_" + (i + 1) + ".dat", the data set projected on
// the first i + 1 components. Nothing for a line past the components of the last PCA of the data.
void WritePCAData(Workbench& wb);

}  // namespace wl
