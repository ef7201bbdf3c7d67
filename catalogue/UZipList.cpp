// Placeholder until the archive reader is built.
#include "UZipList.h"

TZip::TZip(const std::string&) {}
