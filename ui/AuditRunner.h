#pragma once
// The audit off the window's thread. The list file and the archives are read on a thread of its
// own (the audit engine keeps many reads in flight there), and the outcome comes back on the
// window's thread, where the settings are refreshed and the catalogue replaced. An audit that was
// cancelled, or superseded by a newer one, comes back to nobody.
#include <QObject>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Games.h"
#include "ListFile.h"

class TAuditRunner : public QObject {
  Q_OBJECT
 public:
  // What a finished audit found: the list file as read (nothing when it could not be read), and
  // the catalogue as LoadGamesFrom leaves it, with the error, if any, kept for the window to
  // report. After an archive's error `Games` holds the games read before it, and no companies.
  struct TOutcome {
    std::optional<TListFile> List;
    TGameList Games;
    std::vector<TAuditNote> Notes;
    std::string RomDir;
    std::vector<std::string> Companies;
    std::exception_ptr Error;
    // The ROM list beside the list file that the games were checked against (empty: none), or
    // why it could not be read, in which case the audit ran without it.
    std::string DatPath;
    TMessage DatError;
  };
  using TFinished = std::function<void(TOutcome& outcome)>;

  TAuditRunner(TFinished finished, QObject* parent = nullptr);
  ~TAuditRunner() override;  // cancels, and waits for the thread to stop reading

  // Audits the list file at `listPath`, a relative ROM directory taken from `workDir`. An audit
  // still running is cancelled: the newest request is the one whose outcome counts.
  void Start(const std::string& listPath, const std::string& workDir);
  // Stops the running audit; the catalogue stays as it was.
  void Cancel();

  bool Running() const { return FCurrent != nullptr; }
  // The games of the running audit, and how many are audited so far (0 of 0 when none runs).
  std::size_t Total() const;
  std::size_t Done() const;

  // For tools and tests that drive the window from code: runs the event loop until no audit runs.
  void WaitUntilEnded();

  // Tests: called before each archive is read, on the thread that reads it.
  std::function<void(std::size_t p)> BeforeRead;

 signals:
  void Started();
  void Ended();  // finished, cancelled or superseded: no audit runs any more

 private:
  struct TJob;
  void Finish(const std::shared_ptr<TJob>& job);
  void Retire(std::shared_ptr<TJob> job);

  TFinished FFinished;
  std::shared_ptr<TJob> FCurrent;
  std::vector<std::shared_ptr<TJob>> FRetired;  // cancelled, their threads not yet joined
};
