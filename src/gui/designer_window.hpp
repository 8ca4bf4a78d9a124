#pragma once

// The main window of keyloom-designer: the designed form on a desk, the
// designer's verbs on a right-click, the editor windows those verbs open, and
// a File menu that saves what the editor window assigned.

#include "gui/renderer.hpp"

#include <keyloom/design/designer_host.hpp>
#include <keyloom/design/keyloom_form.hpp>

#include <QMainWindow>
#include <QMenu>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace keyloom::gui {

// A message box of the desktop for the design-time services: the flags and
// answers are the framework's (MB_YESNO | MB_ICONQUESTION, IDYES ...).
int ShowMessageBox(QWidget* Parent, const std::string& Text, const std::string& Title, int Flags);

class TDesignerWindow : public QMainWindow {
 public:
  explicit TDesignerWindow(QWidget* Parent = nullptr);
  // Closes the form (and with it the editor windows) while the widgets still exist.
  ~TDesignerWindow() override;

  // Opens the form file as the designed form, in the language chosen. Raises the reader's errors.
  void OpenFile(const std::filesystem::path& Path);
  // Folders, besides the form's own, below which its ancestor forms and frames are looked for.
  void SetSearchPaths(std::vector<std::filesystem::path> Folders) { FSearchPaths = std::move(Folders); }
  // Offers these catalogues' languages in a Language menu. Raises a catalogue's read or syntax error.
  void SetCatalogues(const std::vector<std::string>& Files);
  // Shows the open form in the language of catalogue Index (-1: the original); false when the user keeps the one shown.
  bool ShowLanguage(int Index);
  // The designed form's frame on the desk; nil when no form is open.
  QWidget* Surface() const;

  // The verbs of the component (the nearest control up its parent chain that
  // has any, for a control), as its context menu offers them.
  QMenu* ShowVerbs(TControl& Control, const QPoint& GlobalPos);
  // The menu ShowVerbs opened, while it is open.
  QMenu* VerbMenu() const { return FVerbMenu; }
  // Runs a verb and shows any editor window it opened.
  void ExecuteVerb(TComponent& Component, int Index);
  // The editor window of the component's editor; nil when none was opened.
  TKeyloomForm* EditorWindowOf(TComponent& Component);

  // Writes the form back; false (after telling the user) when that failed.
  bool Save();
  bool SaveAs(const std::filesystem::path& Path);

  TDesignerHost& Host() { return FHost; }
  TRenderer& Renderer() { return FRenderer; }
  QAction* SaveAction() const { return FSaveAction; }
  QAction* SaveAsAction() const { return FSaveAsAction; }
  QAction* QuitAction() const { return FQuitAction; }

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void ChooseAndOpen();
  void ChooseAndSaveAs();
  // Asks whether to save a modified form; false when the user cancels.
  bool ConfirmDiscard(const QString& Doing);
  void AddComponentIcons();
  // Once, when the editor window is first drawn: its Escape key and minimum size.
  void PrepareEditorWindow(TKeyloomForm& Editor);
  void UpdateState();
  void Report(const QString& What, const std::exception& Error);

  // Destroyed in reverse order: the host (with the forms and editor windows)
  // before the renderer that shows them.
  TDesignRegistry FRegistry;
  TRenderer FRenderer;
  TDesignerHost FHost;
  std::vector<std::filesystem::path> FSearchPaths;
  QScrollArea* FScroll = nullptr;
  QWidget* FDesk = nullptr;
  QVBoxLayout* FDeskLayout = nullptr;
  QLabel* FStatus = nullptr;
  QAction* FSaveAction = nullptr;
  QAction* FSaveAsAction = nullptr;
  QAction* FQuitAction = nullptr;
  QPointer<QMenu> FVerbMenu;
  std::vector<std::shared_ptr<formfile::TCatalogue>> FCatalogues;
  std::vector<QAction*> FLanguageActions;  // the original first
  int FLanguage = -1;
};

}  // namespace keyloom::gui
