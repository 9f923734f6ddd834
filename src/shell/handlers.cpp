#include <vector>

#include "shell/command.h"

namespace wl {

// Each topic adds its rows in its own file.
void AddDataHandlers(std::vector<HandlerRow>& t);
void AddGeneralHandlers(std::vector<HandlerRow>& t);
void AddSettingsHandlers(std::vector<HandlerRow>& t);
void AddNetworkHandlers(std::vector<HandlerRow>& t);
void AddWeightsHandlers(std::vector<HandlerRow>& t);
void AddTrainingHandlers(std::vector<HandlerRow>& t);
void AddNGHandlers(std::vector<HandlerRow>& t);
void AddExperimentsHandlers(std::vector<HandlerRow>& t);
void AddAnalysisHandlers(std::vector<HandlerRow>& t);
void AddRepresentationHandlers(std::vector<HandlerRow>& t);
void AddSmlpHandlers(std::vector<HandlerRow>& t);
void AddSurfaceHandlers(std::vector<HandlerRow>& t);
void AddToolsHandlers(std::vector<HandlerRow>& t);
void AddTrajectoryHandlers(std::vector<HandlerRow>& t);
void AddTrajectory3DHandlers(std::vector<HandlerRow>& t);
void AddDirectionHandlers(std::vector<HandlerRow>& t);

// The main window's handler table: one row per control and event. Each handler is thin: it calls one
// routine, often with a mode number.
const std::vector<HandlerRow>& HandlerTable() {
  static const std::vector<HandlerRow> table = [] {
    std::vector<HandlerRow> t;
    AddDataHandlers(t);
    AddGeneralHandlers(t);
    AddSettingsHandlers(t);
    AddNetworkHandlers(t);
    AddWeightsHandlers(t);
    AddTrainingHandlers(t);
    AddNGHandlers(t);
    AddExperimentsHandlers(t);
    AddAnalysisHandlers(t);
    AddRepresentationHandlers(t);
    AddSmlpHandlers(t);
    AddSurfaceHandlers(t);
    AddToolsHandlers(t);
    AddTrajectoryHandlers(t);
    AddTrajectory3DHandlers(t);
    AddDirectionHandlers(t);
    return t;
  }();
  return table;
}

}  // namespace wl
