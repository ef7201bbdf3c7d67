// Placeholder until the process shell is built.
#include "Shell.h"

TProcessShell::TProcessShell(const TPaths& paths, IShellReporter* reporter)
    : FPaths(paths), FReporter(reporter) {}
void TProcessShell::Open(const std::string&, const std::string&) {}
