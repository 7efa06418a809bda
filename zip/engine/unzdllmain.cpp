// libunzdll.so: the extracting engine's entry points.

#include "zip/engine/callbackevents.h"
#include "zip/engine/enginecore.h"
#include "zip/format/zipdllabi.h"

#include <algorithm>

using namespace qel;
using namespace qel::engine;

namespace {

std::string text(const char *s) { return s ? std::string(s) : std::string(); }
bool on(std::int32_t flag) { return flag != 0; }

int execExtract(zipabi::UnzExtractParams *p) {
  CallbackEvents events(p->window, p->component, kEngineVersion, p->callback, false);
  ExtractJob job;
  job.archivePath = text(p->archive);
  job.baseDir = text(p->targetDir);
  job.password = text(p->password);
  job.altPassword = text(p->altPassword);
  if (p->nameCodePage >= 0 && p->nameCodePage <= 2) job.codePage = zipfmt::NameCodePage(p->nameCodePage);
  job.testOnly = on(p->testOnly);
  job.update = on(p->update);
  job.freshen = on(p->freshen) && !job.update;
  job.keepDirs = on(p->directories);
  job.overwrite = on(p->overwrite);
  job.passwordRequests = std::clamp<int>(p->passwordRequestCount, 0, 15);
  if (p->fileCount > 0 && p->files) {
    for (std::int32_t i = 0; i < p->fileCount; ++i) {
      ExtractRequest request;
      request.path = text(p->files[i].fileSpec);
      request.password = text(p->files[i].password);
      if (!request.path.empty()) job.requests.push_back(std::move(request));
    }
  }
  if (job.archivePath.empty()) {
    events.message(kErrRead, "Error - no zip file specified!");
    return 0;
  }
  return runExtract(job, events);
}

} // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t UnzDllExec(zipabi::UnzExtractParams *params) {
  if (!params || params->seven != zipabi::kRecordSeven) return 0;
  try {
    return execExtract(params);
  } catch (...) {
    return 0;
  }
}

extern "C" __attribute__((visibility("default"))) std::int32_t GetUnzDllVersion() { return kEngineVersion; }
