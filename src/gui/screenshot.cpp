#include "gui/screenshot.hpp"

#include "gui/designer_window.hpp"
#include "gui/host_widgets.hpp"

#include <keyloom/host/user_store.hpp>

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <system_error>

namespace keyloom::gui {

namespace {

void Settle(TDesignerWindow& Window) {
  for (int I = 0; I < 3; ++I) {
    Window.Renderer().Flush();
    QApplication::processEvents();
  }
}

// The editor window reads the per-user store, makes the keys it misses and
// writes its lists back when it closes. A picture leaves the store as it was:
// while it is taken, the store is a copy in a folder of its own.
class TStoreCopy {
 public:
  TStoreCopy() : FOld(qgetenv("XDG_CONFIG_HOME")), FHadOld(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    if (!FFolder.isValid()) throw EKeyloomError("Cannot make a temporary folder: " + FromQt(FFolder.errorString()));
    const std::filesystem::path Store = UserRegistryPath();
    const std::filesystem::path Config = FromQt(FFolder.path());
    std::error_code Ignored;  // no store yet, or one that cannot be read: the built-in lists
    std::filesystem::create_directories(Config / "keyloom", Ignored);
    std::filesystem::copy_file(Store, Config / "keyloom" / "user.reg", Ignored);
    qputenv("XDG_CONFIG_HOME", FFolder.path().toLocal8Bit());
  }
  TStoreCopy(const TStoreCopy&) = delete;
  TStoreCopy& operator=(const TStoreCopy&) = delete;
  ~TStoreCopy() {
    if (FHadOld)
      qputenv("XDG_CONFIG_HOME", FOld);
    else
      qunsetenv("XDG_CONFIG_HOME");
  }

 private:
  QTemporaryDir FFolder;
  QByteArray FOld;
  bool FHadOld;
};

}  // namespace

std::optional<TEditorPage> EditorPageNamed(std::string_view Name) {
  if (Name == "tree") return TEditorPage::Tree;
  if (Name == "setup") return TEditorPage::Setup;
  if (Name == "about") return TEditorPage::About;
  return std::nullopt;
}

QImage DesignedFormPicture(TDesignerWindow& Window) {
  QWidget* Surface = Window.Surface();
  if (!Surface) throw EKeyloomError("No form is open");
  Window.show();
  Settle(Window);
  return Surface->grab().toImage();
}

QImage EditorPicture(TDesignerWindow& Window, TEditorPage Page) {
  if (!Window.Host().IsOpen()) throw EKeyloomError("No form is open");
  TCustomForm& Form = Window.Host().Form();
  Window.show();
  Window.ExecuteVerb(Form, 0);
  TKeyloomForm* Editor = Window.EditorWindowOf(Form);
  if (!Editor) throw EKeyloomError("The form's verb opened no editor window");
  switch (Page) {
    case TEditorPage::Tree:
      Editor->bFind->Click();
      // The status bar shows the hint of the button under the mouse.
      Editor->bFind->MouseMove(0, 8, 8);
      break;
    case TEditorPage::Setup:
      Editor->bSetup->Click();
      break;
    case TEditorPage::About:
      Editor->bAbout->Click();
      break;
  }
  Settle(Window);
  QWidget* View = Window.Renderer().WindowOf(*Editor);
  const QPixmap Client = View->grab();
  QImage Picture(Client.width(), Client.height() + TCaptionStrip::StripHeight, QImage::Format_ARGB32);
  Picture.fill(Qt::white);
  QPainter P(&Picture);
  TCaptionStrip::Paint(P, QRect(0, 0, Client.width(), TCaptionStrip::StripHeight), View->windowTitle(), View->font());
  P.drawPixmap(0, TCaptionStrip::StripHeight, Client);
  return Picture;
}

void WriteScreenshot(const std::filesystem::path& Form, std::optional<TEditorPage> Page, const QString& Png,
                     std::vector<std::filesystem::path> SearchPaths) {
  const TStoreCopy Store;  // outlives the window, whose editor writes the lists when it goes
  TDesignerWindow Window;
  Window.SetSearchPaths(std::move(SearchPaths));
  Window.OpenFile(Form);
  const QImage Picture = Page ? EditorPicture(Window, *Page) : DesignedFormPicture(Window);
  if (!Picture.save(Png, "PNG")) throw EKeyloomError("Cannot write " + FromQt(Png));
}

}  // namespace keyloom::gui
