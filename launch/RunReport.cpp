// The text of a quick failure's report.
#include "launch/RunReport.h"

#include <cstdio>

namespace {
std::string Seconds(std::chrono::milliseconds ran) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ran.count()) / 1000.0);
  return text;
}
}  // namespace

bool QuickFailure(const TEmulatorRun& run, std::chrono::milliseconds window) {
  return run.Finished() && run.End().Failed() && run.End().Ran < window;
}

std::string QuickFailureText(const TEmulatorRun& run) {
  const TGameRef& game = run.Game();
  std::string text = "\"" + game.Title + "\" (game " + std::to_string(game.Number) +
                     ") ended after " + Seconds(run.End().Ran) + " s with " +
                     DescribeEnd(run.End()) + ".\n";
  for (const std::string& note : run.Notes()) text += note + "\n";
  if (run.LogPath().empty())
    return text + "Its output was not kept: " + run.LogProblem.English() + "\n";
  const auto lines = run.LastLines(kReportedLines);
  if (lines.empty()) return text + "It wrote nothing (" + run.LogPath() + ").\n";
  text += "Its last lines (all of its output is in " + run.LogPath() + "):\n";
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}
