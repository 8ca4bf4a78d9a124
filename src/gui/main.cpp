// keyloom-designer: shows a designed form and opens the editor window on it.

#include "gui/designer_window.hpp"
#include "gui/renderer.hpp"
#include "gui/screenshot.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* Description =
    "Shows a designed form as a form designer would. Right-click the form or a panel\n"
    "and choose \"Keyloom...\" to open the editor window on it; File > Save writes\n"
    "what Assign changed back into the form file.\n"
    "\n"
    "With --screenshot nothing is shown: the picture is written as PNG, without a\n"
    "display (the offscreen platform is used unless QT_QPA_PLATFORM says otherwise).";

}  // namespace

int main(int Argc, char** Argv) {
  QStringList Arguments;
  for (int I = 0; I < Argc; ++I) Arguments << QString::fromLocal8Bit(Argv[I]);
  QCommandLineParser Parser;
  Parser.setApplicationDescription(QString::fromUtf8(Description));
  const QCommandLineOption Help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption Version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
  const QCommandLineOption Screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Write a picture of the form to PATH (PNG) and exit."),
                                      QStringLiteral("PATH"));
  const QCommandLineOption Editor(QStringLiteral("editor"),
                                  QStringLiteral("With --screenshot: picture the editor window opened on the form, "
                                                 "showing PAGE: tree (after Find), setup or about."),
                                  QStringLiteral("PAGE"));
  const QCommandLineOption SearchPath(QStringLiteral("search-path"),
                                      QStringLiteral("Also look for the form's ancestor forms and frames below DIR."),
                                      QStringLiteral("DIR"));
    const QCommandLineOption Catalogue(QStringLiteral("po"),
                                     QStringLiteral("Offer the language of this gettext catalogue in the Language "
                                                    "menu (repeatable); File > Save then writes its translations."),
                                     QStringLiteral("CATALOGUE"));
  Parser.addOptions({Help, Version, Screenshot, Editor, SearchPath, Catalogue});
  Parser.addPositionalArgument(QStringLiteral("FORM"), QStringLiteral("The form file (.dfm or .lfm) to open."));

  // The arguments are checked before anything needs a display.
  auto Usage = [](const QString& Message) {
    std::cerr << "keyloom-designer: " << Message.toStdString() << "\n";
    return 2;
  };
  if (!Parser.parse(Arguments)) return Usage(Parser.errorText());
  if (Parser.isSet(Help)) {
    std::cout << Parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("keyloom-designer")).toStdString();
    return 0;
  }
  if (Parser.isSet(Version)) {
    std::cout << "keyloom-designer " KEYLOOM_VERSION "\n";
    return 0;
  }
  const QStringList Forms = Parser.positionalArguments();
  if (Forms.size() > 1) return Usage(QStringLiteral("one form at a time"));
  std::optional<keyloom::gui::TEditorPage> Page;
  if (Parser.isSet(Editor)) {
    if (!Parser.isSet(Screenshot)) return Usage(QStringLiteral("--editor goes with --screenshot"));
    Page = keyloom::gui::EditorPageNamed(Parser.value(Editor).toStdString());
    if (!Page) return Usage(QStringLiteral("--editor takes tree, setup or about"));
  }
  const bool Picture = Parser.isSet(Screenshot);
  if (Picture && Forms.size() != 1) return Usage(QStringLiteral("--screenshot needs a form file"));

  // Pictures need no display: the platform is chosen before the application starts.
  if (Picture && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication App(Argc, Argv);
  QApplication::setApplicationName(QStringLiteral("keyloom-designer"));
  QApplication::setApplicationVersion(QStringLiteral(KEYLOOM_VERSION));
  keyloom::gui::PrepareApplication();

  std::vector<std::filesystem::path> SearchPaths;
  for (const QString& Dir : Parser.values(SearchPath)) SearchPaths.emplace_back(Dir.toStdString());
  if (Picture) {
    try {
      keyloom::gui::WriteScreenshot(Forms.front().toStdString(), Page, Parser.value(Screenshot), SearchPaths);
    } catch (const std::exception& Error) {
      std::cerr << "keyloom-designer: " << Error.what() << '\n';
      return 2;
    }
    return 0;
  }

  keyloom::gui::TDesignerWindow Window;
  Window.SetSearchPaths(SearchPaths);
  try {
    std::vector<std::string> Catalogues;
    for (const QString& File : Parser.values(Catalogue)) Catalogues.push_back(File.toStdString());
    Window.SetCatalogues(Catalogues);
  } catch (const std::exception& Error) {
    std::cerr << "keyloom-designer: " << Error.what() << '\n';
    return 2;
  }
  Window.show();
  if (!Forms.isEmpty()) {
    try {
      Window.OpenFile(Forms.front().toStdString());
    } catch (const std::exception& Error) {
      QMessageBox::critical(&Window, QStringLiteral("Keyloom Designer"),
                            QStringLiteral("The form could not be opened.\n") + QString::fromUtf8(Error.what()));
    }
  }
  return App.exec();
}
