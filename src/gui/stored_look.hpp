#pragma once

// What the drawing of a form takes from its file beyond the host components:
// the margins of aligned controls and the code page of texts stored as bytes
// of a legacy code page. Read once when the form is drawn; nothing of it
// flows back into the components or the file.

#include "gui/align_layout.hpp"
#include "gui/renderer.hpp"

#include <keyloom/formfile/loader.hpp>

#include <optional>
#include <string_view>

namespace keyloom::gui {

// An integer property as the file stores it; nothing when it stores none.
std::optional<int> StoredInteger(const formfile::TObjectNode& Node, std::string_view Name);

// Lets Options draw Loaded's controls with their stored margins and decode
// their texts in their code pages.
void UseStoredLook(TRenderOptions& Options, formfile::TLoadedForm& Loaded);

}  // namespace keyloom::gui
