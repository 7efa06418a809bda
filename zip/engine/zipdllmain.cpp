// libzipdll.so: the adding engine's entry points.

#include "zip/engine/callbackevents.h"
#include "zip/engine/enginecore.h"
#include "zip/format/zipdllabi.h"

#include "zip/format/zipstructs.h"

#include <algorithm>
#include <cstdio>
#include <new>

using namespace qel;
using namespace qel::engine;

namespace {

std::string text(const char *s) { return s ? std::string(s) : std::string(); }
bool on(std::int32_t flag) { return flag != 0; }

int execAdd(zipabi::ZipAddParams *p) {
  CallbackEvents events(p->window, p->component, kEngineVersion, p->callback, true);
  if (p->fileCount <= 0 || !p->files) {
    events.message(kErrNothingToDo, "Error - no files to zip!");
    return 0;
  }
  AddJob job;
  job.archivePath = text(p->archive);
  job.password = text(p->password);
  job.storeSuffixes = text(p->storeSuffixes);
  job.level = std::clamp<int>(p->level, 0, 9);
  job.junkDirs = on(p->junkDirNames);
  job.includeHidden = on(p->hiddenFiles);
  job.noDirEntries = on(p->noDirEntries);
  job.update = on(p->update);
  job.freshen = on(p->freshen) && !job.update;
  job.move = on(p->move);
  if (on(p->fromDate)) {
    // "mm dd yy": files changed on that day or later.
    std::string d(p->date, sizeof p->date);
    int month = 0, day = 0, year = 0;
    if (std::sscanf(d.c_str(), "%2d %2d %2d", &month, &day, &year) == 3) {
      long long t = zipfmt::unixFromDosDateTime(
          std::uint16_t(((year < 80 ? year + 20 : year - 80) << 9) | (month << 5) | day), 0);
      if (t >= 0) {
        job.fromDateSet = true;
        job.fromTime = t;
      }
    }
  }
  if (p->archiveComment) {
    job.hasComment = true;
    job.comment = p->archiveComment;
  }
  for (std::int32_t i = 0; i < p->fileCount; ++i) {
    const zipabi::ZipAddFileEntry &f = p->files[i];
    AddRequest request;
    request.path = text(f.fileSpec);
    request.encrypt = on(f.encrypt);
    request.password = f.password && *f.password ? std::string(f.password) : job.password;
    request.recurse = on(f.recurse);
    request.rootDir = text(f.rootDir);
    job.requests.push_back(std::move(request));
  }
  if (p->excludes)
    for (std::int32_t i = 0; i < p->excludeCount; ++i)
      if (p->excludes[i]) job.excludes.emplace_back(p->excludes[i]);
  return runAdd(job, events);
}

} // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t ZipDllExec(zipabi::ZipAddParams *params) {
  if (!params || params->seven != zipabi::kRecordSeven) return 0;
  try {
    return execAdd(params);
  } catch (...) {
    // Out of memory, most likely; nothing has replaced the archive.
    return 0;
  }
}

extern "C" __attribute__((visibility("default"))) std::int32_t GetZipDllVersion() { return kEngineVersion; }
