#pragma once

// Pictures of the designed form and of the editor window, drawn without a
// display: for the README and for tests.

#include <QImage>
#include <QString>

#include <filesystem>
#include <vector>
#include <optional>
#include <string_view>

namespace keyloom::gui {

class TDesignerWindow;

// Which page of the editor window to show; the tree page is shown after Find.
enum class TEditorPage { Tree, Setup, About };

// "tree", "setup" or "about"; nothing for anything else.
std::optional<TEditorPage> EditorPageNamed(std::string_view Name);

// The designed form as the designer shows it, its caption strip included.
QImage DesignedFormPicture(TDesignerWindow& Window);
// Opens the editor window on the designed form, shows the page and pictures
// it under its caption.
QImage EditorPicture(TDesignerWindow& Window, TEditorPage Page);

// Opens the form in a designer of its own and writes the picture as PNG.
// Raises EKeyloomError when the form cannot be read or the file not written.
void WriteScreenshot(const std::filesystem::path& Form, std::optional<TEditorPage> Page, const QString& Png,
                     std::vector<std::filesystem::path> SearchPaths = {});

}  // namespace keyloom::gui
