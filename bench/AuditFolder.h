#pragma once
// The benchmarks' ROM folder: a list file of `games` games and their archives (12 members each,
// with the variations a real set has: subfolders, upper-case names, comments, extra fields, a
// missing archive now and then, one matching nothing), and the floor any audit must do.
#include <cstddef>
#include <string>
#include <vector>

// Builds `root` (ludra.ini, Roms/) once; a later call finds the "ready" mark and returns.
void MakeAuditFolder(const std::string& root, int games);

// The least an audit must do for each archive: open, fstat, one read of the tail, at most one
// more read of the central directory, close. Returns the bytes of the directories read. With
// `reads` above 1, that many threads share the archives, each taking every reads-th one.
std::size_t AuditFloorLoop(const std::string& root, int games, int reads = 1);

// One run of a child process: its time to exit and its peak resident size.
struct TChildRun {
  double Ms = 0;
  long PeakKiB = 0;
};

// Starts `args` (the program looked up on the PATH when it has no '/') in `dir` with its output
// thrown away; ends the benchmark when it fails. A forked child (not vfork, whose exec would hand
// the child this process's peak as its own) of a process kept small: the peak it reports is at
// least this process's size, about 3.5 MB.
TChildRun RunChild(const std::vector<std::string>& args, const std::string& dir = ".");

// `runs` runs of `a` and `b` in turn (in `dir`), so that both meet the same moments of a shared
// machine: the median time of each and the median of the ratios b / a.
struct TPairedRuns {
  double A = 0, B = 0, Ratio = 0;
};
TPairedRuns RunPaired(const std::vector<std::string>& a, const std::vector<std::string>& b,
                      int runs, const std::string& dir = ".");
