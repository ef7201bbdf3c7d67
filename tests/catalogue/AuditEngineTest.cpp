// The audit with many reads in flight: whatever order the archives come back in, the outcome is
// the one of reading them one after the other, errors and cancelling included.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <fstream>
#include <functional>
#include <system_error>
#include <thread>

#include "bench/LatencyMount.h"
#include "catalogue/AuditEngine.h"
#include "catalogue/ListFile.h"
#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"

namespace {
std::string Section(int n, const std::string& company, const std::string& rom,
                    const std::string& files) {
  return "[Rom" + std::to_string(n) + "]\r\nGame=Game " + std::to_string(n) +
         "\r\nCompany=" + company + "\r\nYear=1997\r\nRomname=" + rom + "\r\nFiles=" + files +
         "\r\n";
}

void Zip(const TTempDir& dir, const std::string& name, const std::vector<std::string>& members) {
  std::vector<TZipMember> zm;
  for (const std::string& m : members) {
    TZipMember member;
    member.Name = m;
    zm.push_back(member);
  }
  WriteFileBytes(dir / ("Roms/" + name), BuildZip(zm));
}

// Every kind of game the audit tells apart, in turn: archive missing, directory unreadable, name
// in another letter case on disk, no names listed, none of the names present, an archive shared
// with the game before, a match in a subfolder and in upper case, a plain match.
std::string VariedCatalogue(const TTempDir& dir, int games) {
  MakeDirs(dir / "Roms");
  std::string list = "[General]\r\nPath=Roms\r\n";
  for (int i = 0; i < games; ++i) {
    const std::string rom = "g" + std::to_string(i) + ".zip", wanted = "f" + std::to_string(i);
    const std::string company = i == 7 ? "" : "Company " + std::to_string(i % 7);
    switch (i % 9) {
      case 0:
        list += Section(i + 1, company, rom, wanted);
        break;
      case 1:
        WriteFileBytes(dir / ("Roms/" + rom), std::string(100, 'x'));
        list += Section(i + 1, company, rom, wanted);
        break;
      case 2: {
        std::string upper = rom;
        for (char& c : upper) c = static_cast<char>(std::toupper(c));
        Zip(dir, upper, {wanted});
        list += Section(i + 1, company, rom, wanted);
        break;
      }
      case 3:
        Zip(dir, rom, {"anything"});
        list += Section(i + 1, company, rom, "");
        break;
      case 4:
        Zip(dir, rom, {"other", "more"});
        list += Section(i + 1, company, rom, wanted + ",x,,y");
        break;
      case 5:
        list += Section(i + 1, company, "g" + std::to_string(i - 1) + ".zip", "more");
        break;
      case 6:
        Zip(dir, rom, {"a", "roms/sub/F" + std::to_string(i)});
        list += Section(i + 1, company, rom, "z," + wanted);
        break;
      default:
        Zip(dir, rom, {wanted});
        list += Section(i + 1, company, rom, wanted);
    }
  }
  return list;
}

struct TOutcome {
  TGameList Games;
  std::vector<TAuditNote> Notes;
  std::vector<std::string> Companies;
  std::string Error;
  int MostInFlight = 0;  // reads waiting at once
};

// The audit of `list` with `reads` in flight; each read first waits `delay(p)`.
TOutcome Audit(const std::string& list, const TTempDir& dir, int reads,
               std::chrono::microseconds (*delay)(std::size_t p),
               std::function<void()> beforeThread = {}) {
  const TIniFile ini(list);
  TOutcome out;
  std::atomic<int> inFlight{0}, most{0};
  TAuditOptions options;
  options.Reads = reads;
  options.BeforeThread = std::move(beforeThread);
  options.BeforeRead = [&](std::size_t p) {
    const int now = ++inFlight;
    for (int seen = most; seen < now && !most.compare_exchange_weak(seen, now);) {
    }
    std::this_thread::sleep_for(delay(p));
    --inFlight;
  };
  std::string romDir;
  try {
    out.Companies = LoadGamesFrom(ini, dir.Path(), out.Games, romDir, &out.Notes, &options);
  } catch (const std::exception& e) {
    out.Error = e.what();
  }
  out.MostInFlight = most;
  return out;
}

// Long enough to count as waiting on a device, so the readers start; uneven, so they finish
// out of order.
std::chrono::microseconds Uneven(std::size_t p) {
  return std::chrono::microseconds(200 * (1 + p * 37 % 5));
}

void ExpectSame(const TOutcome& a, const TOutcome& b) {
  ASSERT_EQ(a.Games.size(), b.Games.size());
  for (std::size_t i = 0; i < a.Games.size(); ++i) {
    const TGame &x = a.Games[i], &y = b.Games[i];
    EXPECT_EQ(std::tie(x.Game, x.Country, x.Company, x.System, x.Year, x.RomPath, x.Preview,
                       x.Available, x.SoundFlag),
              std::tie(y.Game, y.Country, y.Company, y.System, y.Year, y.RomPath, y.Preview,
                       y.Available, y.SoundFlag))
        << i;
    const TAuditNote &m = a.Notes[i], &n = b.Notes[i];
    EXPECT_EQ(std::tie(m.Reason, m.ArchivePath, m.Found, m.Expected),
              std::tie(n.Reason, n.ArchivePath, n.Found, n.Expected))
        << i;
  }
  EXPECT_EQ(a.Companies, b.Companies);
  EXPECT_EQ(a.Error, b.Error);
}
}  // namespace

TEST(AuditEngine, ManyReadsInFlightGiveTheOutcomeOfOneAtATime) {
  TTempDir dir;
  const std::string list = VariedCatalogue(dir, 120);
  const TOutcome alone = Audit(list, dir, 1, Uneven);
  const TOutcome many = Audit(list, dir, 16, Uneven);
  ExpectSame(many, alone);
  EXPECT_TRUE(many.Error.empty()) << many.Error;
  EXPECT_EQ(alone.MostInFlight, 1);
  EXPECT_GT(many.MostInFlight, 1);
  // Every kind came out as its own.
  EXPECT_EQ(many.Notes[0].Reason, TAuditNote::ArchiveMissing);
  EXPECT_EQ(many.Notes[1].Reason, TAuditNote::DirectoryUnreadable);
  EXPECT_EQ(many.Notes[2].ArchivePath, dir / "Roms/G2.ZIP");
  EXPECT_EQ(many.Notes[4].Expected, (std::vector<std::string>{"f4", "x", "", "y"}));
  EXPECT_EQ(many.Notes[6].Found, "f6");
  EXPECT_EQ(many.Companies.size(), 8u);  // seven and the empty one
}

// A reader thread that cannot be made (a process limit) leaves the archives to the readers there
// are, the calling thread at least: the outcome stays the one of one at a time.
TEST(AuditEngine, ReaderThreadsThatCannotBeMadeLeaveTheOutcomeAsItIs) {
  TTempDir dir;
  const std::string list = VariedCatalogue(dir, 120);
  const TOutcome alone = Audit(list, dir, 1, Uneven);
  for (const int made : {0, 2}) {
    int tries = 0;
    const TOutcome few = Audit(list, dir, 16, Uneven, [&] {
      if (tries++ >= made) throw std::system_error(EAGAIN, std::generic_category());
    });
    ExpectSame(few, alone);
    EXPECT_LE(few.MostInFlight, made + 1);
  }
}

// An archive whose directory takes 16 MiB (256 members with the longest comments, holes in the
// file), expected names absent so that all of it is read.
void WriteLargeDirectory(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  auto le = [&](uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i) & 0xFF));
  };
  uint64_t pos = 0;
  for (int i = 0; i < 256; ++i) {
    const std::string name = "m" + std::to_string(i);
    out.seekp(static_cast<std::streamoff>(pos));
    le(0x02014B50, 4);
    for (int k = 0; k < 24; ++k) out.put(0);  // versions, flags, method, time, CRC, sizes
    le(name.size(), 2);
    le(0, 2);                                 // extra
    le(0xFFFF, 2);                            // comment: left a hole
    for (int k = 0; k < 12; ++k) out.put(0);  // disk, attributes, local header's offset
    out << name;
    pos += 46 + name.size() + 0xFFFF;
  }
  out.seekp(static_cast<std::streamoff>(pos));
  le(0x06054B50, 4);
  le(0, 4);
  le(256, 2);
  le(256, 2);
  le(pos, 4);  // the directory's size; it starts at 0
  le(0, 4);
  le(0, 2);
}

// Each reader would hold a directory of 16 MiB at once; together they stay within one bound.
TEST(AuditEngine, TheReadersHoldNoMoreMemoryTogetherThanOneBound) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine";
#endif
  TTempDir dir;
  MakeDirs(dir / "Roms");
  std::string list = "[General]\r\nPath=Roms\r\n";
  for (int n = 1; n <= 24; ++n) {
    list += Section(n, "C", "big" + std::to_string(n) + ".zip", "wanted");
    WriteLargeDirectory(dir / ("Roms/big" + std::to_string(n) + ".zip"));
  }
  const long before = PeakRssKiB();
  const TOutcome many =
      Audit(list, dir, 16, [](std::size_t) { return std::chrono::microseconds(300); });
  EXPECT_TRUE(many.Error.empty()) << many.Error;
  ASSERT_EQ(many.Games.size(), 24u);
  EXPECT_EQ(many.Notes.back().Reason, TAuditNote::NoExpectedFile);
  EXPECT_GT(many.MostInFlight, 2);
  // 64 MiB for the readers together, the calling thread's included, the blocks they gave back
  // kept within it: the parallel audit holds no more than that beyond the one-at-a-time audit.
  // Each reader on its own would take 16 MiB, about 270 MiB here.
  EXPECT_LT(PeakRssKiB() - before, (64 + 8) * kMiB);
}

// The second unreadable archive fails first in time; the audit still stops at the first one in
// catalogue order, with the games before it and that one handed over.
TEST(AuditEngine, AnUnreadableArchiveStopsAtTheFirstInCatalogueOrder) {
  const std::string unreadable = "/proc/sys/vm/drop_caches";  // write-only, even for root
  if (!IsRegularFile(unreadable)) GTEST_SKIP() << "no unreadable file to point at";
  TTempDir dir;
  std::string list = VariedCatalogue(dir, 60);
  for (const int i : {24, 42}) {
    const std::string rom = dir / ("Roms/g" + std::to_string(i) + ".zip");
    unlink(rom.c_str());
    ASSERT_EQ(symlink(unreadable.c_str(), rom.c_str()), 0);
  }
  auto firstLast = [](std::size_t p) { return std::chrono::microseconds(p == 24 ? 30000 : 300); };
  const TOutcome many = Audit(list, dir, 16, firstLast);
  ExpectSame(many, Audit(list, dir, 1, firstLast));
  ASSERT_EQ(many.Games.size(), 25u);
  EXPECT_TRUE(many.Games.back().Available);
  EXPECT_EQ(many.Notes.back().Reason, TAuditNote::DirectoryUnreadable);
  EXPECT_NE(many.Error.find(dir / "Roms/g24.zip"), std::string::npos) << many.Error;
}

// A share whose server goes away in the middle of an audit (every request then fails with
// ENOTCONN) is no folder of missing archives: the audit stops and says once that the ROM folder
// cannot be read, and why; no game read after is handed over. So does ludra-audit on the dead
// share, with exit status 1.
TEST(AuditEngine, AShareWhoseServerIsGoneCannotBeReadRatherThanMissing) {
  TTempDir dir;
  const std::string local = VariedCatalogue(dir, 60);
  TLatencyMount share(dir / "Roms", 200);
  if (share.Path().empty()) GTEST_SKIP() << "no share to take away: " << share.Why();
  const std::string list = "[General]\r\nPath=" + share.Path() + local.substr(local.find("\r\n"));
  const std::string expected =
      "Cannot read the ROM folder \"" + share.Path() + "/\": " + SysErrorMessage(ENOTCONN) + ".";
  const TOutcome before = Audit(local, dir, 1, [](std::size_t) { return Uneven(0); });
  TOutcome gone;
  {
    const TIniFile ini(list);
    TAuditOptions options;
    options.Reads = 8;
    options.BeforeRead = [&](std::size_t p) {
      if (p == 30) share.Kill();
      std::this_thread::sleep_for(Uneven(p));
    };
    std::string romDir;
    try {
      LoadGamesFrom(ini, dir.Path(), gone.Games, romDir, &gone.Notes, &options);
    } catch (const ERomFolderUnreadable& e) {
      gone.Error = e.what();
    }
  }
  EXPECT_EQ(gone.Error, expected);
  ASSERT_LE(gone.Games.size(), 30u);
  for (std::size_t i = 0; i < gone.Games.size(); ++i)
    EXPECT_EQ(gone.Notes[i].Reason, before.Notes[i].Reason) << i;

  WriteFileBytes(dir / "dead.ini", list);
  const TRun run =
      RunCommand("'" LUDRA_AUDIT_TOOL "' --list '" + dir / "dead.ini" + "' --missing 2>&1");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out, "ludra-audit: " + expected + "\n");
}

// Only absence makes an archive missing: a ROM folder inside a file (ENOTDIR) holds no
// archives, but one that may not be searched cannot be read.
TEST(AuditEngine, OnlyAbsenceMakesAnArchiveMissing) {
  TTempDir dir;
  const std::string list = VariedCatalogue(dir, 9);
  WriteFileBytes(dir / "file", "");
  const auto fast = [](std::size_t) { return std::chrono::microseconds(0); };
  const TOutcome inFile =
      Audit("[General]\r\nPath=file\\Roms" + list.substr(list.find("\r\n[")), dir, 1, fast);
  EXPECT_EQ(inFile.Error, "");
  ASSERT_EQ(inFile.Notes.size(), 9u);
  for (const TAuditNote& note : inFile.Notes) EXPECT_EQ(note.Reason, TAuditNote::ArchiveMissing);

  if (geteuid() == 0) GTEST_SKIP() << "root may search any folder";
  ASSERT_EQ(chmod((dir / "Roms").c_str(), 0600), 0);
  const TOutcome locked = Audit(list, dir, 1, fast);
  chmod((dir / "Roms").c_str(), 0755);
  EXPECT_EQ(locked.Error, "Cannot read the ROM folder \"" + dir / "Roms/" +
                              "\": " + SysErrorMessage(EACCES) + ".");
  EXPECT_TRUE(locked.Games.empty());
}

TEST(AuditEngine, ACancelStopsItAtTheStartInTheMiddleButNotAfterTheEnd) {
  TTempDir dir;
  const TIniFile list(VariedCatalogue(dir, 90));
  for (const std::size_t at : {std::size_t{0}, std::size_t{30}, std::size_t{90}}) {
    TAuditControl control;
    std::atomic<std::size_t> reads{0};
    TAuditOptions options;
    options.Reads = 8;
    options.Control = &control;
    options.BeforeRead = [&](std::size_t p) {
      ++reads;
      std::this_thread::sleep_for(Uneven(p));
    };
    control.Cancel = at == 0;
    std::size_t visited = 0;
    std::string romDir;
    bool cancelled = false;
    try {
      AuditGames(
          list, dir.Path(), romDir, false,
          [&](const TGameView&, TAuditNote*) {
            if (++visited == at) control.Cancel = true;
          },
          &options);
    } catch (const EAuditCancelled&) {
      cancelled = true;
    }
    EXPECT_EQ(cancelled, at < 90) << at;
    EXPECT_EQ(visited, at) << at;
    EXPECT_EQ(control.Total, 90u);
    // The reads in flight end; no new ones begin.
    EXPECT_LE(reads, at + 4 * 8) << at;
  }
}
