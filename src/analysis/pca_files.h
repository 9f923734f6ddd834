#pragma once
// The PCA exchange files of the "PCA" folder: eigenvalues and components from Matlab ("eig_w.txt" and
// "pcomp_w.txt", or the "_v" pair), the ICA directions ("ica_a.txt"), the per-epoch scores of a training
// done in Matlab ("scores_w.txt"), and the eigenvalue report behind "Eigenvalues and % variance".
#include <cstdint>

namespace wl {

struct Workbench;

enum class PCAFileKind : std::uint8_t { W, V };

// Reads the eigenvalue and component files of the kind into Eigenvalues, PrincipalComponents and
// MatlabComponents (NumOfComponents = NumOfWeights tokens a line). False, without a message, when a file
// is missing or no training has been run (StartError 0). A token that is not a number, a short line or a
// file with more lines than the network has weights throws FileError naming the file and the line; what
// was read before stays.
bool ReadPCAFiles(Workbench& wb, PCAFileKind kind);

// The same for "eig_w.txt" and "ica_a.txt": five directions into rows 0..4 of PrincipalComponents and
// ICAComponents.
bool ReadICAFiles(Workbench& wb);

// The scores of a training done in Matlab (MethodTag "Matlab"), when "PCA/scores_w.txt" exists: line e
// gives ComponentScores[k][e] for the NumOfWeights components. False after "Error in scores_w.txt line " +
// (e + 1) + ": " + token + " is not a real number" (an empty token for a missing line or value); true
// otherwise, also when there is nothing to read.
bool ReadComponentScores(Workbench& wb);

// "Eigenvalues and % variance": when an error surface has been computed, writes ResultsPrefix +
// "_eigen.txt" (each eigenvalue, its share of the sum and the running share) and opens it in the editor.
void WriteEigenvalues(Workbench& wb);

}  // namespace wl
