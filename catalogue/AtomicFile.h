#pragma once
// Whole-file writes that never leave a half-written file behind: the new bytes go to a temporary
// file in the same directory, are flushed to disk, and the temporary file is renamed over the
// target. A failure leaves the old file whole and raises EFCreateError naming `path`. A success
// also removes the temporary files that writers of the same target left when they were killed.
#include <string>
#include <string_view>

void WriteFileAtomic(const std::string& path, std::string_view bytes);

// Reads a whole file. A missing file gives `false`; a file that exists but cannot be read (or is
// larger than `maxBytes`) raises EFOpenError naming it.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes);
