#pragma once
// What the stored results of the weight-space analysis were made for, and the checks on them. Every
// stored result carries its maker's shape: the components (and the fine grid of "Prepare Modifications")
// the network they were computed on, the surface grid the lines, step, box and range it was sampled
// with. A command uses a stored result only while it fits, and otherwise refuses with
// AgainMessage(command) before it changes anything.
//
// The ...ShapeHolds checks say whether a stored result matches its own record (arrays of the sizes the
// record gives); they hold after every command, and tests call them as invariants. The ...Fit checks
// say whether a result may be used now.
#include <string>

#include "state/ng3d_form.h"
#include "state/surface_state.h"

namespace wl {

struct Workbench;

// The network as it stands: NumOfWeights and Layers[0 .. NumOfLayers - 1].
NetworkStamp CurrentNetworkShape(const Workbench& wb);

// The components in use are made for the network as it stands.
void StampComponents(Workbench& wb);
// Eigenvalues, PrincipalComponents, PlotComponents, MatlabComponents, ICAComponents, CentreWeights and
// the trajectory's coordinates have the sizes ComponentsMadeFor gives (true when nothing is recorded).
bool ComponentsShapeHolds(const Workbench& wb);
// Components are recorded, they hold their shape and they were made for the network as it stands.
bool ComponentsFit(const Workbench& wb);

// SurfaceGrid holds the families, lines and values GridMade gives (true when no grid is recorded).
bool SurfaceGridShapeHolds(const TNG3D& w);
// A grid of at least two lines is recorded and holds its shape.
bool SurfaceGridFits(const TNG3D& w);
// Records what the grid is sampled with and sizes SurfaceGrid for it: 2 families of `lines` lines of
// `values` values (at least what the record needs).
void MakeSurfaceGrid(TNG3D& w, const SurfaceGridMade& made, std::size_t lines, std::size_t values);
// The lines of a family and the values of a line that a grid of this record holds.
std::size_t GridLinesOf(const SurfaceGridMade& made);
std::size_t GridValuesOf(const SurfaceGridMade& made);

// The recorded training (WeightHistory) was made for the network as it stands and holds every epoch.
bool HistoryFitsNetwork(const Workbench& wb);

// The fine grid of "Prepare Modifications" is there and was made for the network as it stands.
bool PreparedGridFits(const Workbench& wb);

// The beam of the weight-set beam search: every member (BeamNets, CandidateNets) has the layer sizes and
// weight count BeamMadeFor gives, their errors one entry per member, and while BeamMadeFor is the network
// in place, each member's neurons have as many weights as the network's (true when no beam is stored).
bool BeamShapeHolds(const Workbench& wb);

// The tables of the step network in place (NetKind not 0) match its layers: the four-layer N-of-M
// network's unit kinds, feature counts and expanded units, the five-layer network's AND and N-of-M units,
// the L-units of an L-unit network and the intervals of an L-net (true for any other network).
bool StepUnitsShapeHold(const Workbench& wb);

// While the network in place is marked as a single-class trainer's (SingleClassNet), it has that network's
// shape: three layers, one output neuron, each hidden neuron a weight per input and a threshold, the output
// a weight per hidden neuron and a threshold (true when it is not marked).
bool SingleClassShapeHolds(const Workbench& wb);

// The refusal of a command whose stored result was made for another network or grid.
std::string AgainMessage(const std::string& command);
// False, after AgainMessage(command), unless the components fit.
bool ComponentsFitFor(Workbench& wb, const std::string& command);

}  // namespace wl
