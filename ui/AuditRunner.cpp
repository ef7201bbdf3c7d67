#include "ui/AuditRunner.h"

#include <QCoreApplication>
#include <atomic>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "catalogue/AuditCache.h"
#include "catalogue/AuditEngine.h"
#include "catalogue/Dat.h"
#include "fileio/Errors.h"
#include "ui/DetachedThreads.h"

namespace {
TDetachedThreads gThreads;
}  // namespace

// The outcome's way back to the window's thread, made before the audit starts: running out of
// memory must not also cost the hand-over.
class TAuditRunner::TFinishedEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  TFinishedEvent() : QEvent(Kind()) {}
  std::shared_ptr<TJob> Job;  // set as it is posted, so that job and event do not own each other
};

struct TAuditRunner::TJob {
  std::string ListPath, WorkDir;
  bool Launched = false;  // its thread was made (or it ran here)
  TAuditControl Control;
  TAuditOptions Options;
  TOutcome Outcome;
  std::exception_ptr OutOfMemory;  // "not enough memory" naming the list file, made beforehand
  std::unique_ptr<TFinishedEvent> Event;
};

// What the threads share with their runner: it goes with the last of them.
struct TAuditRunner::THost {
  std::mutex Lock;
  TAuditRunner* Owner = nullptr;  // nullptr once the runner is gone
};

TAuditRunner::TAuditRunner(TFinished finished, QObject* parent)
    : QObject(parent), FFinished(std::move(finished)), FHost(std::make_shared<THost>()) {
  FHost->Owner = this;
}

TAuditRunner::~TAuditRunner() {
  {
    const std::lock_guard lock(FHost->Lock);
    FHost->Owner = nullptr;  // a message posted before this goes with the object
  }
  if (FCurrent) FCurrent->Control.Cancel.store(true);
  if (FThread) FThread->Control.Cancel.store(true);
}

void TAuditRunner::Start(const std::string& listPath, const std::string& workDir) {
  if (FCurrent) FCurrent->Control.Cancel.store(true);
  FCurrent.reset();
  auto job = std::make_shared<TJob>();
  job->ListPath = listPath;
  job->WorkDir = workDir;
  job->Options.Control = &job->Control;
  job->Options.BeforeRead = BeforeRead;
  try {
    RaiseOutOfMemory(listPath);
  } catch (...) {
    job->OutOfMemory = std::current_exception();
  }
  job->Event = std::make_unique<TFinishedEvent>();
  FCurrent = job;
  // One thread at a time: a request made while an older audit's thread still runs (cancelled, it
  // may be waiting on a share or deep in a large archive) starts when that thread is done.
  if (!FThread) Launch(job);
  emit Started();
}

void TAuditRunner::Launch(const std::shared_ptr<TJob>& job) {
  job->Launched = true;
  FThread = job;
  ShareHeaps();  // the audit's thread allocates the list file's text; no heap of its own
  gThreads.Started();
  try {
    std::thread([host = FHost, job] {
      Run(host, job);
      gThreads.Ended();
    }).detach();
  } catch (...) {
    // No thread to be had (a process limit, no memory): the audit runs here, the window waiting.
    Run(FHost, job);
    gThreads.Ended();
  }
}

void TAuditRunner::Run(const std::shared_ptr<THost>& host,
                       const std::shared_ptr<TJob>& job) noexcept {
  TOutcome& out = job->Outcome;
  std::optional<TAuditCache> cache;  // what earlier audits of this list file read
  bool complete = false;
  try {
    out.List.emplace(job->ListPath);
    // A ROM list beside the list file checks each game's files; one that cannot be read is
    // reported, and the audit runs without it.
    std::optional<TDat> dat;
    const std::string datPath = DatPathBeside(job->ListPath);
    if (DatIsThere(datPath)) {
      try {
        dat = ReadDatCached(datPath, UserCacheFolder());
        out.DatPath = datPath;
      } catch (const EFileError& e) {
        out.DatError = e.Message;
      }
    }
    job->Options.Dat = dat ? &*dat : nullptr;
    cache.emplace(UserCacheFolder(), job->ListPath + "\n" + job->WorkDir);
    job->Options.Cache = &*cache;
    std::string romDir;  // the window reads the setting, which the outcome's list file holds
    out.Companies =
        LoadGamesFrom(out.List->Ini(), job->WorkDir, out.Games, romDir, &out.Notes, &job->Options);
    complete = true;
  } catch (const EAuditCancelled&) {
  } catch (const ERomFolderUnreadable&) {
    out.Error = std::current_exception();
    out.FolderUnreadable = true;
  } catch (const std::bad_alloc&) {
    out.Error = job->OutOfMemory;  // the games it lists (an archive's own says so)
  } catch (...) {
    out.Error = std::current_exception();
  }
  for (;;) {
    bool posted = false;
    {
      const std::lock_guard lock(host->Lock);
      if (!host->Owner) return;  // the window is gone: nobody waits for this
      if (job->Event) {
        try {
          // The job goes with the message, so it lives until the window's thread has seen it.
          job->Event->Job = job;
          QCoreApplication::postEvent(host->Owner, job->Event.release());
          posted = true;
        } catch (...) {
        }
      }
    }
    if (posted) {
      // Once the window has what it waits for; an audit cut short keeps nothing.
      if (complete && !job->Control.Cancel.load()) cache->Save();
      return;
    }
    // Not even the message could be sent: what was found goes, the error stays, and the message
    // is tried again once some memory may be free.
    out = TOutcome{};
    out.Error = job->OutOfMemory;
    try {
      job->Event = std::make_unique<TFinishedEvent>();
    } catch (...) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool TAuditRunner::event(QEvent* event) {
  if (event->type() != TFinishedEvent::Kind()) return QObject::event(event);
  Finish(static_cast<TFinishedEvent*>(event)->Job);
  return true;
}

void TAuditRunner::Cancel() {
  if (!FCurrent) return;
  FCurrent->Control.Cancel.store(true);
  FCurrent.reset();
  emit Ended();
}

std::size_t TAuditRunner::Total() const {
  return FCurrent ? FCurrent->Control.Total.load(std::memory_order_relaxed) : 0;
}

std::size_t TAuditRunner::Done() const {
  return FCurrent ? FCurrent->Control.Done.load(std::memory_order_relaxed) : 0;
}

void TAuditRunner::WaitUntilEnded() {
  while (Running())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

int TAuditRunner::ThreadsRunning() {
  return gThreads.Running();
}

bool TAuditRunner::WaitForThreads(std::chrono::milliseconds limit) {
  return gThreads.WaitForNone(limit);
}

void TAuditRunner::Finish(const std::shared_ptr<TJob>& job) {
  if (job && job == FThread) {
    FThread.reset();
    if (FCurrent && !FCurrent->Launched) Launch(FCurrent);  // the request that waited
  }
  if (!job || job != FCurrent) return;  // cancelled or superseded
  FCurrent.reset();
  emit Ended();
  FFinished(job->Outcome);
}
