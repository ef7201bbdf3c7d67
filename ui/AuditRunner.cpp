#include "AuditRunner.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <new>
#include <thread>
#include <utility>

#include "AuditEngine.h"
#include "Dat.h"
#include "Errors.h"

struct TAuditRunner::TJob {
  std::string ListPath, WorkDir;
  TAuditControl Control;
  TAuditOptions Options;
  TOutcome Outcome;
  std::thread Thread;
};

TAuditRunner::TAuditRunner(TFinished finished, QObject* parent)
    : QObject(parent), FFinished(std::move(finished)) {}

TAuditRunner::~TAuditRunner() {
  if (FCurrent) Retire(std::move(FCurrent));
  for (const auto& job : FRetired) job->Thread.join();  // each stops after its current reads
}

void TAuditRunner::Start(const std::string& listPath, const std::string& workDir) {
  if (FCurrent) Retire(std::move(FCurrent));
  auto job = std::make_shared<TJob>();
  job->ListPath = listPath;
  job->WorkDir = workDir;
  job->Options.Control = &job->Control;
  job->Options.BeforeRead = BeforeRead;
  FCurrent = job;
  job->Thread = std::thread([this, job] {
    TOutcome& out = job->Outcome;
    try {
      out.List.emplace(job->ListPath);
      // A ROM list beside the list file checks each game's files; one that cannot be read is
      // reported, and the audit runs without it.
      std::optional<TDat> dat;
      const std::string datPath = DatPathBeside(job->ListPath);
      if (IsRegularFile(datPath)) {
        try {
          dat = ReadDat(datPath);
          out.DatPath = datPath;
        } catch (const EFileError& e) {
          out.DatError = e.Message;
        }
      }
      job->Options.Dat = dat ? &*dat : nullptr;
      out.Companies = LoadGamesFrom(out.List->Ini(), job->WorkDir, out.Games, out.RomDir,
                                    &out.Notes, &job->Options);
    } catch (const EAuditCancelled&) {
    } catch (const std::bad_alloc&) {
      try {
        RaiseOutOfMemory(job->ListPath);  // the games it lists (an archive's own says so)
      } catch (...) {
        out.Error = std::current_exception();
      }
    } catch (...) {
      out.Error = std::current_exception();
    }
    // The job goes with the message, so it lives until the window's thread has seen it.
    QMetaObject::invokeMethod(
        this, [this, job] { Finish(job); }, Qt::QueuedConnection);
  });
  emit Started();
}

void TAuditRunner::Cancel() {
  if (!FCurrent) return;
  Retire(std::move(FCurrent));
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

void TAuditRunner::Retire(std::shared_ptr<TJob> job) {
  job->Control.Cancel.store(true);
  FRetired.push_back(std::move(job));
}

void TAuditRunner::Finish(const std::shared_ptr<TJob>& job) {
  job->Thread.join();  // it has posted this, its last act
  if (job != FCurrent) {
    FRetired.erase(std::remove(FRetired.begin(), FRetired.end(), job), FRetired.end());
    return;
  }
  FCurrent.reset();
  emit Ended();
  FFinished(job->Outcome);
}
