#pragma once
// The benchmarks' ROM folder: a list file of `games` games and their archives (12 members each,
// with the variations a real set has: subfolders, upper-case names, comments, extra fields, a
// missing archive now and then, one matching nothing), and the floor any audit must do.
#include <cstddef>
#include <string>

// Builds `root` (ludra.ini, Roms/) once; a later call finds the "ready" mark and returns.
void MakeAuditFolder(const std::string& root, int games);

// The least an audit must do for each archive: open, fstat, one read of the tail, at most one
// more read of the central directory, close. Returns the bytes of the directories read. With
// `reads` above 1, that many threads share the archives, each taking every reads-th one.
std::size_t AuditFloorLoop(const std::string& root, int games, int reads = 1);
