// Placeholder bodies until the settings store and launch are built.
#include "Launcher.h"

TLauncher::TLauncher(const TPaths& paths, IShell& shell) : FPaths(paths), FShell(shell) {}
void TLauncher::DiscoverRenderers() {}
void TLauncher::LoadSettings(int) {}
void TLauncher::SaveSettings(int) {}
void TLauncher::WriteRendererConfig() {}
std::string TLauncher::RendererConfigText() const { return {}; }
std::string TLauncher::Parameters(int p) const { return std::to_string(p + 1); }
void TLauncher::PlayGame(int p) { FShell.Open("tavi.exe", Parameters(p)); }
