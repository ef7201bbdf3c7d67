#pragma once
// The keeper of one emulator run's output: a small process of Ludra's own that reads the
// emulator's stdout and stderr from a pipe and writes them to the game's log file, keeping the
// file under a cap. It outlives Ludra, so the emulator never writes into a pipe without a reader.
#include <cstddef>

// Its descriptors, set up by the shell before the keeper's program starts.
constexpr int kKeeperOutput = 0;   // the read end of the emulator's output pipe
constexpr int kKeeperLog = 1;      // the log file, empty, open for reading and writing
constexpr int kKeeperProcess = 3;  // a pidfd of the emulator
constexpr int kKeeperDrained = 4;  // a pipe; one byte once the emulator ended and its output is
                                   // in the log (closed early should the keeper end first)

// The largest log: when the output grows past it, only the end is kept.
constexpr std::size_t kLogCap = 1024 * 1024;

// The argument that makes Ludra's executable run as a keeper.
constexpr const char* kKeepLogArgument = "--keep-log";

// The keeper's whole work, over the descriptors above; returns the exit code.
int RunLogKeeper(std::size_t cap = kLogCap);
