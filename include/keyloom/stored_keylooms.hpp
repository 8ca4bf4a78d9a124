#pragma once

// A form read from its file runs as it would at run time: every TKeyloom
// stored in it runs with its stored settings, and a form without one runs the
// pipeline with settings given by the caller.

#include <keyloom/formfile/loader.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/pipeline.hpp>

#include <memory>
#include <vector>

namespace keyloom {

// The settings of the component as plain values.
TKeySettings KeySettingsOf(const TKeyloom& Component);

// Loads a form as LoadForm does, except that the TKeyloom components stored in
// it stay dormant: they keep their stored settings but do not run when the
// form has loaded, so that the captions are those of the file until RunKeys.
// Class maps to TKeyloom are honoured the same way.
std::unique_ptr<formfile::TLoadedForm> LoadFormForKeys(formfile::TDocument Document,
                                                       const formfile::TLoadOptions& Options = {});

// The TKeyloom components of the form (also those inside frames), in creation order.
std::vector<TKeyloom*> StoredKeylooms(TCustomForm& Form);

// What a run on this form uses: the settings of the first TKeyloom the form
// owns, else Fallback. Stored is set when they come from the file.
TKeySettings EffectiveSettings(formfile::TLoadedForm& Form, const TKeySettings& Fallback, bool* Stored = nullptr);

// Runs as at run time: every stored TKeyloom whose Active is true runs once
// over its owner, in creation order. A form that owns none itself (one inside
// a frame belongs to the frame) runs the pipeline with Fallback's settings.
// Returns the number of runs.
int RunKeys(formfile::TLoadedForm& Form, const TKeySettings& Fallback);
// The same, the Fallback run also keeping the letters of what Kept names
// (captions this run may not write, such as those a catalogue leaves untranslated).
int RunKeys(formfile::TLoadedForm& Form, const TKeySettings& Fallback, const TKeptCaptions& Kept);

}  // namespace keyloom
