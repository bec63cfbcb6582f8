#pragma once
// The cave document: what the program keeps once per cave, the survey model
// and what is built from it. The main window owns one and shares it with its
// exporter window; each command and each test make their own. Routines take
// the document, or only the parts of it they use.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/PlotArray.h"
#include "model/WorkingUnits.h"
#include "passage/PassageLib.h"
#include "volume/CVVolume.h"

namespace lumora {

class TCaveDocument {
 public:
  TCaveDocument() = default;
  TCaveDocument(const TCaveDocument&) = delete;
  TCaveDocument& operator=(const TCaveDocument&) = delete;

  TPlotModel Model;
  // The wall builder's options, and what the last build of the walls left.
  TPassageOptions PassageOptions;
  TPassageState PassageState;
  // Slices the walls of this document's last build.
  TVolumeModel Volume{Model, PassageOptions, PassageState};
  TWorkingUnits Units;  // feet until the settings are read
  // The volume tool's "Use Pass Dims" box, unchecked by loads of big plots.
  bool UsePassDims = true;

  // The surveys the view shows, by index of Model.Surveys (empty: all), and
  // those drawn bright with the rest dimmed (empty: none). Every load shows
  // all again; the exporter keeps a selection of its own.
  std::vector<uint8_t> ShownSurveys;
  std::vector<uint8_t> HighlightedSurveys;
  // Records before the first survey belong to none and are always shown.
  bool SurveyShown(int survey) const {
    return ShownSurveys.empty() || survey < 0 || static_cast<size_t>(survey) >= ShownSurveys.size() ||
           ShownSurveys[survey] != 0;
  }
  bool AllSurveysShown() const {
    for (uint8_t shown : ShownSurveys)
      if (!shown) return false;
    return true;
  }
  void ShowAllSurveys() {
    ShownSurveys.clear();
    HighlightedSurveys.clear();
  }

  // Whoever reads a file into the model outside the window that shows it
  // (the exporter window opening a plot file) says so, so that the window
  // rebuilds its scene from the model.
  using TLoadedProc = std::function<void(const std::string& path)>;
  void OnLoaded(TLoadedProc proc) { loaded_.push_back(std::move(proc)); }
  void Loaded(const std::string& path) const {
    for (const TLoadedProc& proc : loaded_) proc(path);
  }

 private:
  std::vector<TLoadedProc> loaded_;
};

}  // namespace lumora
