// The extracting engine on an archive in memory: once testing only (every
// decoder, the cipher, the checks), once writing into a private folder with
// folder names kept (the path rules and the temporary-file handling).

#include "zip/engine/enginecore.h"

#include <cstdint>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <unistd.h>

namespace {

int removeOne(const char *path, const struct stat *, int, struct FTW *) { return remove(path); }

const std::string &scratch() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/fuzz-unzengine-XXXXXX";
    const char *made = mkdtemp(tmpl);
    return std::string(made ? made : "/tmp");
  }();
  return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  qel::engine::SilentEvents events;
  qel::engine::ExtractJob job;
  job.archivePath = "memory";
  job.password = "pw";
  job.passwordRequests = 0;
  job.testOnly = true;
  qel::engine::runExtractFromMemory(job, data, size, events);

  job.testOnly = false;
  job.keepDirs = size % 2 == 0;
  job.overwrite = true;
  job.baseDir = scratch() + "/out";
  qel::engine::runExtractFromMemory(job, data, size, events);
  nftw(job.baseDir.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
  return 0;
}
