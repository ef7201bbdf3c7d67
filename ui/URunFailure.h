#pragma once
// The emulator's runs as the window sees them: each watched from the event loop, and the message
// for one that failed soon after its start.
#include <QDialog>
#include <QObject>
#include <functional>
#include <memory>

#include "launch/EmulatorRun.h"

class QPlainTextEdit;
class QSocketNotifier;

// One run, looked at whenever the emulator ends or its keeper reports the log complete; calls
// `finished` once both happened. No timer and no thread.
class TRunWatch : public QObject {
  Q_OBJECT
 public:
  TRunWatch(std::unique_ptr<TEmulatorRun> run, std::function<void(TRunWatch*)> finished,
            QObject* parent);
  const TEmulatorRun& Run() const { return *FRun; }

 private:
  void Check();
  std::unique_ptr<TEmulatorRun> FRun;
  std::function<void(TRunWatch*)> FFinished;
  QSocketNotifier* FProcess = nullptr;
  QSocketNotifier* FDrained = nullptr;
};

// The message of a quick failure: the game, how long it ran, how it ended, and the end of its
// output, selectable, with the log file's path. Not modal; it deletes itself when closed.
class TfrmRunFailure : public QDialog {
  Q_OBJECT
 public:
  // `roms`: what the game's archive lacks, when the audit found it incomplete, or (`romsMissing`)
  // why its ROMs count as missing: no archive, or none of its files in it.
  TfrmRunFailure(const TEmulatorRun& run, QWidget* parent, const QString& roms = QString(),
                 bool romsMissing = false);
  QString Message() const;
  // The game, how long it ran and how it ended, in the user's language and digits.
  static QString Headline(const TEmulatorRun& run);
  // The same with what the game's archive lacks (`roms`, when it is incomplete), the end of its
  // output and the log's path, for the desktop's notification.
  static QString Notice(const TEmulatorRun& run, const QString& roms = QString());
  QPlainTextEdit* mmoOutput = nullptr;  // nullptr when there is no output to show

 private:
  // A line naming what the game's archive lacks or why it has none, or nothing.
  static QString RomsLine(const QString& roms, bool missing = false);
  QString FMessage;
};
