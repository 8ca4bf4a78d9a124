// keyloom-designer --screenshot: pictures of the designed form and of the
// editor window's pages, written without a display.

#include "gui_test_support.hpp"

#include <QImage>
#include <QProcess>
#include <QTest>

namespace {

struct TRun {
  int Code = -1;
  QString Errors;
};

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

  keyloom::test::TConfigFolder Config;

  // Runs the program as a user without a display would.
  TRun Run(const QStringList& Arguments) {
    QProcess Process;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    Env.remove(QStringLiteral("DISPLAY"));
    Env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    Env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config.Path(QStringLiteral("config")));
    Process.setProcessEnvironment(Env);
    Process.start(QStringLiteral(KEYLOOM_DESIGNER_PATH), Arguments);
    if (!Process.waitForFinished(60000)) return {};
    return {Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1,
            QString::fromLocal8Bit(Process.readAllStandardError())};
  }

  static QString Example(const char* Name) { return QStringLiteral(KEYLOOM_SOURCE_DIR "/examples/forms/") + QLatin1String(Name); }

 private Q_SLOTS:
  void TheDesignedFormIsPicturedInItsFrame() {
    const QString Png = Config.Path(QStringLiteral("form.png"));
    const TRun R = Run({QStringLiteral("--screenshot"), Png, Example("typical.dfm")});
    QCOMPARE(R.Code, 0);
    const QImage Picture(Png);
    QVERIFY(!Picture.isNull());
    // The client (400 x 300 less frame, caption and menu bar) inside a 3-pixel frame.
    QCOMPARE(Picture.width(), 392 + 6);
    QVERIFY(Picture.height() > 254 + 22 + 6);
  }

  void EachPageOfTheEditorWindowIsPicturedUnderItsTitle() {
    QList<QImage> Pages;
    for (const char* Page : {"tree", "setup", "about"}) {
      const QString Png = Config.Path(QStringLiteral("editor-%1.png").arg(QLatin1String(Page)));
      const TRun R = Run({QStringLiteral("--screenshot"), Png, QStringLiteral("--editor"), QLatin1String(Page),
                          Example("typical.dfm")});
      QCOMPARE(R.Code, 0);
      const QImage Picture(Png);
      QCOMPARE(Picture.size(), QSize(660, 468 + 22));
      Pages << Picture;
    }
    QVERIFY(Pages[0] != Pages[1]);
    QVERIFY(Pages[1] != Pages[2]);
    QVERIFY(Pages[0] != Pages[2]);
    // A picture of the editor window writes no per-user store.
    QVERIFY(!QFile::exists(Config.Path(QStringLiteral("config/keyloom/user.reg"))));
  }

  void MistakesEndWithStatusTwoAndAMessage() {
    const QString Png = Config.Path(QStringLiteral("never.png"));
    const QList<QStringList> Wrong = {
        {QStringLiteral("--screenshot"), Png, QStringLiteral("--editor"), QStringLiteral("tools"), Example("typical.dfm")},
        {QStringLiteral("--screenshot"), Png},
        {QStringLiteral("--screenshot"), Png, Config.Path(QStringLiteral("missing.dfm"))},
        {QStringLiteral("--editor"), QStringLiteral("tree"), Example("typical.dfm")},
    };
    for (const QStringList& Arguments : Wrong) {
      const TRun R = Run(Arguments);
      QCOMPARE(R.Code, 2);
      QVERIFY2(R.Errors.contains(QStringLiteral("keyloom-designer:")), qPrintable(R.Errors));
    }
    QVERIFY(!QFile::exists(Png));
  }
};

QTEST_GUILESS_MAIN(ScreenshotTest)
#include "screenshot_qtest.moc"
