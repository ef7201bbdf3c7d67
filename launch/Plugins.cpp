// Placeholder until plug-in discovery is built.
#include "Plugins.h"

TPluginKind PluginKind(const std::string&) { return pkOther; }
std::vector<std::string> FindRenderers(const std::string&) { return {}; }
