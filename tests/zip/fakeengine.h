#pragma once
// A stand-in engine library for the binding and callback tests: reports the
// version a test chooses, records what it receives, and makes the callbacks
// a test scripts.

#include "zip/format/zipdllabi.h"

#include <cstdint>
#include <string>
#include <vector>

struct FakeCallbackStep {
  // What the engine puts into the record.
  std::int32_t action = 0;
  std::int32_t errorCode = 0;
  std::int64_t size = 0;
  std::string text;
  // What came back.
  std::int32_t result = 0;
  std::int32_t replyAction = 0;
  std::int32_t replyErrorCode = 0;
  std::int64_t replySize = 0;
  std::string replyText;
  bool textTerminated = false;  // a zero within the 512-byte area
};

struct FakeAddFile {
  std::string spec, password, rootDir;
  bool passwordNull = true, rootDirNull = true;
  std::int32_t encrypt = 0;
  std::int16_t recurse = 0;
};

struct FakeEngineState {
  std::int32_t version = 170;
  std::int32_t result = 1;
  int addCalls = 0;
  int extractCalls = 0;
  alignas(8) qel::zipabi::ZipAddParams add{};        // pointers are dangling after the call; texts below
  std::string addPassword, addSuffixes, addArchive, addTempDir;
  bool addPasswordNull = true, addSuffixesNull = true, addTempDirNull = true;
  std::vector<FakeAddFile> addFiles;
  std::vector<std::string> addExcludes;
  alignas(8) qel::zipabi::UnzExtractParams extract{};
  std::string extractPassword, extractArchive, extractTarget;
  bool extractPasswordNull = true, extractTargetNull = true;
  std::vector<std::string> extractFiles;
  std::vector<FakeCallbackStep> steps;  // made in order during each exec call
};

extern "C" FakeEngineState *FakeEngineStateGet();
