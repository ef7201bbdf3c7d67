#include "tests/common/TestSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "catalogue/ListFile.h"

namespace fs = std::filesystem;

TTempDir::TTempDir() : TTempDir(fs::temp_directory_path().string()) {}

TTempDir::TTempDir(const std::string& parent) {
  std::string pattern = (fs::path(parent) / "ludra-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  FPath = pattern + "/";
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Tests may leave read-only entries behind; make them removable first.
  for (auto it = fs::recursive_directory_iterator(FPath, ec); !ec && it != fs::end(it);
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(FPath, ec);
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TRun RunCommand(const std::string& command) {
  TRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Out.append(buffer, n);
  const int status = pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void MakeDirs(const std::string& path) {
  fs::create_directories(path);
}

std::vector<std::string> VariedListFiles() {
  return {
      "",
      std::string(kDefaultCatalogue),
      "[Rom3]\r\nGame=X\r\nCutOff=1\r\nSOUND=0\r\n\r\n[General]\r\nPath=a\r\n",
      "[Rom1]\nGame=A\n \n\n[Rom3]\nGame=C\n\n",
      "[rom3]\r\nGame=first\r\n[ROM3]\r\nCutOff=second\r\n[general]\r\n[General]\r\nPath=b\r\n",
      "[Rom3]\r\nGame=C\r\nSound=1\r",
      "[Rom3]\nGame=C",
      "[Rom3]\r\nGame=C\r\n;comment\r\ncontinued\r\n  \r\n[Rom4]\r\n",
      "junk before\n[General]\nPath=\n[Rom3]\nk\n",
  };
}
