#pragma once
// Shared pieces of the dialog tests: one QApplication for the whole run, a shell that starts
// nothing, and a place for screenshots.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QString>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "launch/Shell.h"
#include "ui/FolderChooser.h"

// A window's or dialog's control by its object name. A missing one fails the test there, by an
// exception the test runner reports, rather than as a null pointer that crashes the run later.
template <class T>
T* FindChild(const QObject& root, const char* name) {
  T* found = root.findChild<T*>(QLatin1String(name));
  if (!found) throw std::runtime_error(std::string("no control ") + name);
  return found;
}

// Answers the folder and file choosers in the user's place and keeps what it was told.
struct TFakeChooser : IFolderChooser {
  std::optional<QString> Answer;                // every answer, once `Answers` are used up
  std::vector<std::optional<QString>> Answers;  // the first answers, in order
  int Asked = 0;
  QString Prompt, Start;
  std::vector<QString> Told;
  std::optional<QString> ChooseFolder(QWidget*, const QString& prompt,
                                      const QString& start) override {
    Prompt = prompt;
    Start = start;
    if (static_cast<std::size_t>(Asked) < Answers.size()) return Answers[Asked++];
    ++Asked;
    return Answer;
  }
  void Tell(QWidget*, const QString& message) override { Told.push_back(message); }
  std::optional<QString> SaveAs;  // the save dialog's answer
  std::optional<QString> ChooseSaveFile(QWidget*, const QString&, const QString&,
                                        const QString&) override {
    return SaveAs;
  }
};

inline void EnsureApplication() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // shared by every test, deleted when the run ends
}

// Deletes the application object after the last test: left alive, the font machinery behind the
// widgets is reported as leaked by the sanitizer build.
class TApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { delete QCoreApplication::instance(); }
};
inline ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

class TNoShell : public IShell {
 public:
  void Open(const std::string&, const std::string&) override {}
};

// Writes the widget as it looks on screen to <build>/screenshots/<name>.png.
inline bool SaveScreenshot(QWidget& widget, const QString& name) {
  const QString dir = QStringLiteral(LUDRA_TEST_BINARY_DIR "/screenshots");
  QDir().mkpath(dir);
  return widget.grab().save(dir + QStringLiteral("/") + name + QStringLiteral(".png"));
}

// The application's font at `points` for as long as it lives, as a desktop of that font gives it.
class TDesktopFont {
 public:
  explicit TDesktopFont(int points) : FOld(QApplication::font()) {
    QFont font = FOld;
    font.setPointSize(points);
    QApplication::setFont(font);
  }
  ~TDesktopFont() { QApplication::setFont(FOld); }

 private:
  QFont FOld;
};

// Every label, check box, field and drop-down list under `page` (all shown) is at least as large
// as it asks to be and lies inside `page`; every field holds `widest` uncut.
inline void ExpectNothingCut(QWidget* page, const QString& widest) {
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (!qobject_cast<QLabel*>(w) && !qobject_cast<QCheckBox*>(w) && !qobject_cast<QLineEdit*>(w) &&
        !qobject_cast<QComboBox*>(w))
      continue;
    if (w->isHidden() || w->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) continue;
    const std::string name =
        w->objectName().toStdString() + " " +
        (qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text() : QString()).toStdString();
    EXPECT_GE(w->width(), w->sizeHint().width()) << name;
    EXPECT_GE(w->height(), w->sizeHint().height()) << name;
    EXPECT_TRUE(page->rect().contains(QRect(w->mapTo(page, QPoint(0, 0)), w->size()))) << name;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      QStyleOptionFrame option;
      option.initFrom(edit);
      option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
      const QRect contents =
          edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
      EXPECT_GE(contents.width() - 4, edit->fontMetrics().horizontalAdvance(widest)) << name;
    }
  }
}

// What a screen reader announces for `widget`.
inline QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face ? face->text(QAccessible::Name) : QString();
}

// The controls under `root` that a screen reader would announce without a name, or by a bare
// number: class and object name of each.
inline std::vector<std::string> UnnamedControls(QWidget* root) {
  std::vector<std::string> unnamed;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
        !qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractItemView*>(w) &&
        !qobject_cast<QProgressBar*>(w) && !qobject_cast<QPlainTextEdit*>(w))
      continue;
    if (qobject_cast<QAbstractItemView*>(w->parentWidget())) continue;  // an item editor
    if (w->objectName().startsWith(QLatin1String("qt_"))) continue;     // Qt's own scroll parts
    bool number = false;
    const QString name = AccessibleName(w).remove(QLatin1Char('&')).trimmed();
    name.toInt(&number);
    if (name.isEmpty() || number)
      unnamed.push_back(std::string(w->metaObject()->className()) + " " +
                        w->objectName().toStdString() + " \"" + name.toStdString() + "\"");
  }
  return unnamed;
}
