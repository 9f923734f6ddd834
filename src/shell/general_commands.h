#pragma once
// The main window's general handlers that do more than call one routine: the controls kept consistent
// with each other, "Help", and the steps of "New Training" around the training pipeline.
#include <functional>

#include "state/workbench.h"

namespace wl {

// "use the settings for all layers" clicked: when checked, the output layer's slope, stretch, steps and
// transfer function are copied to hidden layers L2 and L3, whose eight controls are then disabled; when
// cleared, the eight are enabled.
void SameLayersClick(Workbench& wb);
// The output layer's slope, stretch or steps field changed: with "use the settings for all layers" the
// new text goes to the L3 and L2 field of the same kind.
void OutputLayerFieldChanged(Workbench& wb, const Edit& field);
// The output layer's transfer function changed: with "use the settings for all layers" its item goes to
// L3 and L2.
void OutputTFChanged(Workbench& wb);
// The user left the number of L3 hidden neurons: none disables the group of L3 (its caption drawn in the
// inactive-caption colour), a number enables it. A text that is not an integer throws ConvertError.
void HiddenL3Leaves(Workbench& wb);
// The window's own consistency rules applied at once, as after the start-up has set the controls (from
// their defaults or the settings file): the layer fields follow "use the settings for all layers" (as
// SameLayersClick), the group of L3 follows the number of L3 hidden neurons (as HiddenL3Leaves; a text
// that is no integer leaves the group as it is).
void ApplyWindowConsistency(Workbench& wb);
// "full WM" clicked: when checked, the weight matrix runs from epoch 0 to the number of epochs.
void FullWMClick(Workbench& wb);
// "Random Weight Order" and "Custom Weight Order" exclude each other.
void RandomWeightOrderClick(Workbench& wb);
void CustomWeightOrderClick(Workbench& wb);
// "Help": the help file at its contents.
void ShowHelpContents(Workbench& wb);

// "New Training": a committee when CommEdit holds more than 1; otherwise the run's settings are checked
// and adjusted around the pipeline (refused for the Matlab method; stages 3, 4 and 5 of the progress
// trace; the parameters read with mode 1; the weight matrix's last epoch kept within the epochs).
// The two callees are the experiments' committee trainer and training pipeline.
struct NewTrainingCallees {
  std::function<void(Workbench&)> TrainCommittee;
  std::function<void(Workbench&)> NewTraining;
};
void NewTrainingClick(Workbench& wb, const NewTrainingCallees& callees);

}  // namespace wl
