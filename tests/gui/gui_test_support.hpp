#pragma once

// What the desktop face's tests share: a configuration folder of their own
// (the editor window keeps its lists there), the user's gestures as events,
// and answering the modal boxes a gesture opens.

#include <keyloom/formfile/loader.hpp>

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace keyloom::test {

// A temporary folder that is also the user's configuration folder.
class TConfigFolder {
 public:
  TConfigFolder() { qputenv("XDG_CONFIG_HOME", FDir.filePath(QStringLiteral("config")).toUtf8()); }
  QString Path(const QString& Name) const { return FDir.filePath(Name); }
  std::string StoreText() const { return ReadText(Path(QStringLiteral("config/keyloom/user.reg"))); }

  static std::string ReadText(const QString& Path) {
    std::ifstream In(Path.toStdString(), std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
  }

 private:
  QTemporaryDir FDir;
};

// A form read from text, as a program would have it at run time.
inline std::unique_ptr<formfile::TLoadedForm> ReadForm(const std::string& Text) {
  return formfile::LoadForm(formfile::TDocument::Parse(Text, "form.dfm"));
}

// The mouse resting over a point of a widget (with mouse tracking, as moving does).
inline void Hover(QWidget* Widget, QPoint At = QPoint(5, 5)) {
  QMouseEvent Move(QEvent::MouseMove, At, Widget->mapToGlobal(At), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(Widget, &Move);
}

// A right-click as the platform reports it: a context-menu request.
inline void RightClick(QWidget* Widget, QPoint At = QPoint(5, 5)) {
  QContextMenuEvent Event(QContextMenuEvent::Mouse, At, Widget->mapToGlobal(At));
  QApplication::sendEvent(Widget, &Event);
}

// The action of an open menu whose text is Text.
inline QAction* ActionNamed(QMenu* Menu, const QString& Text) {
  if (!Menu) return nullptr;
  for (QAction* Action : Menu->actions())
    if (Action->text() == Text) return Action;
  return nullptr;
}

// Answers the next modal message box with Button once it shows, after
// letting Seen look at it. Call before the gesture that opens it.
inline void AnswerNextMessageBox(QMessageBox::StandardButton Button,
                                 std::function<void(QMessageBox&)> Seen = nullptr) {
  auto* Poll = new QTimer;
  auto Tries = std::make_shared<int>(0);
  QObject::connect(Poll, &QTimer::timeout, [Poll, Button, Seen, Tries] {
    auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!Box) {
      if (++*Tries > 200) Poll->deleteLater();
      return;
    }
    Poll->stop();
    Poll->deleteLater();
    if (Seen) Seen(*Box);
    if (QAbstractButton* Chosen = Box->button(Button)) Chosen->click();
  });
  Poll->start(10);
}

}  // namespace keyloom::test
