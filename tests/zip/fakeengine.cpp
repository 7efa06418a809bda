#include "tests/zip/fakeengine.h"

#include <cstring>

using namespace qel::zipabi;

namespace {

FakeEngineState state;

[[maybe_unused]] std::string text(const char *p, bool *isNull = nullptr) {
  if (isNull) *isNull = p == nullptr;
  return p ? std::string(p) : std::string();
}

[[maybe_unused]] void runSteps(void *window, void *component, ZipCallbackFunc callback, bool adding) {
  for (FakeCallbackStep &s : state.steps) {
    ZipCallbackRecord r;
    std::memset(&r, 0, sizeof r);
    r.window = window;
    r.component = component;
    r.version = state.version;
    r.isAdding = adding ? 1 : 0;
    r.action = s.action;
    r.errorCode = s.errorCode;
    r.size = s.size;
    std::memcpy(r.text, s.text.data(), std::min(s.text.size(), sizeof r.text));
    s.result = callback(&r);
    s.replyAction = r.action;
    s.replyErrorCode = r.errorCode;
    s.replySize = r.size;
    s.textTerminated = std::memchr(r.text, 0, sizeof r.text) != nullptr;
    s.replyText.assign(r.text, strnlen(r.text, sizeof r.text));
  }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) FakeEngineState *FakeEngineStateGet() { return &state; }

#ifndef FAKE_NO_VERSION
__attribute__((visibility("default"))) std::int32_t GetZipDllVersion() { return state.version; }
__attribute__((visibility("default"))) std::int32_t GetUnzDllVersion() { return state.version; }
#endif

#ifndef FAKE_NO_EXEC
__attribute__((visibility("default"))) std::int32_t ZipDllExec(ZipAddParams *p) {
  ++state.addCalls;
  state.add = *p;
  state.addPassword = text(p->password, &state.addPasswordNull);
  state.addSuffixes = text(p->storeSuffixes, &state.addSuffixesNull);
  state.addArchive = text(p->archive);
  state.addTempDir = text(p->tempDir, &state.addTempDirNull);
  state.addFiles.clear();
  for (int i = 0; i < p->fileCount; ++i) {
    const ZipAddFileEntry &e = p->files[i];
    FakeAddFile f;
    f.spec = text(e.fileSpec);
    f.password = text(e.password, &f.passwordNull);
    f.rootDir = text(e.rootDir, &f.rootDirNull);
    f.encrypt = e.encrypt;
    f.recurse = e.recurse;
    state.addFiles.push_back(f);
  }
  state.addExcludes.clear();
  for (int i = 0; i < p->excludeCount; ++i) state.addExcludes.push_back(text(p->excludes[i]));
  runSteps(p->window, p->component, p->callback, true);
  return state.result;
}

__attribute__((visibility("default"))) std::int32_t UnzDllExec(UnzExtractParams *p) {
  ++state.extractCalls;
  state.extract = *p;
  state.extractPassword = text(p->password, &state.extractPasswordNull);
  state.extractArchive = text(p->archive);
  state.extractTarget = text(p->targetDir, &state.extractTargetNull);
  state.extractFiles.clear();
  for (int i = 0; i < p->fileCount; ++i) state.extractFiles.push_back(text(p->files[i].fileSpec));
  runSteps(p->window, p->component, p->callback, false);
  return state.result;
}
#endif
}
