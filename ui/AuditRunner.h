#pragma once
// The audit off the window's thread. The list file and the archives are read on a thread of its
// own (the audit engine keeps many reads in flight there), and the outcome comes back on the
// window's thread, where the settings are refreshed and the catalogue replaced. An audit that was
// cancelled, or superseded by a newer one, comes back to nobody.
//
// The thread is never waited for: a read from a share that stopped answering may not return for
// minutes (forever on a dead hard mount), and closing the window must not wait on it. A cancelled
// audit's thread is left to end by itself; what it found goes nowhere and it writes nothing. This
// is why the audit has its own thread rather than QtConcurrent's: the global QThreadPool is waited
// for when the application object goes (a private pool in its destructor), so an exit would wait
// on the share again (joined, the exit took 11 s after a paused share came back, and forever on a
// dead mount; now the window's end returns while the share is still paused). Progress is two
// counters that the strip's timer reads.
#include <QEvent>
#include <QObject>
#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/Games.h"
#include "catalogue/ListFile.h"

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
    std::vector<std::string> Companies;
    std::exception_ptr Error;
    // The ROM folder could not be examined (Error says why): nothing was audited.
    bool FolderUnreadable = false;
    // The ROM list beside the list file that the games were checked against (empty: none), or
    // why it could not be read, in which case the audit ran without it.
    std::string DatPath;
    TMessage DatError;
  };
  using TFinished = std::function<void(TOutcome& outcome)>;

  TAuditRunner(TFinished finished, QObject* parent = nullptr);
  ~TAuditRunner() override;  // cancels, and leaves the thread to end by itself

  // Audits the list file at `listPath`, a relative ROM directory taken from `workDir`. An audit
  // still running is cancelled: the newest request is the one whose outcome counts. Its thread
  // is made once the cancelled one's has ended: a runner never runs two.
  void Start(const std::string& listPath, const std::string& workDir);
  // Stops the running audit; the catalogue stays as it was.
  void Cancel();

  bool Running() const { return FCurrent != nullptr; }
  // The games of the running audit, and how many are audited so far (0 of 0 when none runs).
  std::size_t Total() const;
  std::size_t Done() const;

  // For tools and tests that drive the window from code: runs the event loop until no audit runs.
  void WaitUntilEnded();

  // Audit threads still running in the process, those of cancelled audits and of runners that
  // are gone included. The program ends without them; tests wait for them before their folders
  // and hooks go (true when none is left within `limit`).
  static int ThreadsRunning();
  static bool WaitForThreads(std::chrono::milliseconds limit);

  // Tests: called before each archive is read, on the thread that reads it.
  std::function<void(std::size_t p)> BeforeRead;

 signals:
  void Started();
  void Ended();  // finished, cancelled or superseded: no audit runs any more

 protected:
  bool event(QEvent* event) override;

 private:
  struct TJob;
  struct THost;
  class TFinishedEvent;
  static void Run(const std::shared_ptr<THost>& host, const std::shared_ptr<TJob>& job) noexcept;
  void Finish(const std::shared_ptr<TJob>& job);
  void Launch(const std::shared_ptr<TJob>& job);

  TFinished FFinished;
  std::shared_ptr<THost> FHost;    // shared with the threads, which outlive the runner
  std::shared_ptr<TJob> FCurrent;  // the request whose outcome counts
  std::shared_ptr<TJob> FThread;   // the job whose thread runs, current or not
};
