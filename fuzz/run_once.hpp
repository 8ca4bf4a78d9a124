#pragma once

// One run over a form file as the command makes it, shared by the form-file targets.

#include <keyloom/formfile/captions.hpp>
#include <keyloom/formfile/document.hpp>
#include <keyloom/stored_keylooms.hpp>

#include <memory>
#include <string>

namespace keyloom::fuzz {

// The file after the run, or "" when it cannot be loaded (Loaded says which).
inline std::string RunOnce(std::string Bytes, bool& Loaded) {
  Loaded = false;
  std::unique_ptr<formfile::TLoadedForm> Form;
  try {
    Form = LoadFormForKeys(formfile::TDocument::Parse(std::move(Bytes), "fuzz.dfm"));
  } catch (const EKeyloomError&) {
    return {};  // a form the host cannot make: an error the command reports
  }
  Loaded = true;
  RunKeys(*Form, TKeySettings());
  Form->StoreCaptions();
  return Form->Render();
}

}  // namespace keyloom::fuzz
