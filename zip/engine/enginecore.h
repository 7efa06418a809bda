#pragma once
// The working parts of the two ZIP engines, apart from their C entry points:
// what a caller asks for (jobs), what the engines tell back (events), and the
// two runs. No Qt, no globals: every run owns all of its state.

#include "zip/format/zipnames.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qel::engine {

// Error values the engines pass with messages and skip reports (0 = plain information).
enum EngineError : int {
  kErrNone = 0,
  kErrRead = 1,          // a file or the archive could not be read
  kErrWrite = 2,         // the archive or an extracted file could not be written
  kErrBadArchive = 3,    // the archive's structure is damaged or unsupported
  kErrTooLarge = 4,      // over 4 GiB or over 65,535 entries
  kErrUnsafeName = 5,    // an entry name that would leave the target folder
  kErrPassword = 6,      // no or wrong password
  kErrMethod = 7,        // compression method not supported
  kErrCrc = 8,           // data does not match its CRC
  kErrNothingToDo = 9,   // no file matched
  kErrLink = 10,         // a link entry (never created)
  kErrCancelled = 11,
};

// Kinds of skipped entries (the caller's list, from 0).
enum SkipKind : int {
  kSkipOnFreshen = 0,
  kSkipNoOverwrite = 1,
  kSkipFileExists = 2,
  kSkipBadPassword = 3,
  kSkipNoEncryption = 4,
  kSkipCompressionUnknown = 5,
  kSkipUnknownHost = 6,
  kSkipFormatWrong = 7,
  kSkipGeneralError = 8,
};

struct PasswordReply {
  bool given = false;       // a password came back
  bool stopAsking = false;  // never ask again in this run
  std::string password;
  std::string altPassword;  // the same password in its other encoding ("" = none)
};

// What a run tells its caller. Every method returning bool returns false when
// the caller wants the run to stop.
class EngineEvents {
public:
  virtual ~EngineEvents() = default;
  virtual bool fileStarts(const std::string &name, std::uint64_t size) = 0;
  virtual bool bytesDone(std::uint64_t count) = 0;
  virtual bool fileEnds() = 0;
  virtual bool message(int error, const std::string &text) = 0;
  virtual bool fileCount(std::uint64_t count) = 0;
  virtual bool totalSize(std::uint64_t size) = 0;
  // `adding`: the password is for writing; `retries`: how many asks remain.
  virtual PasswordReply askPassword(const std::string &name, bool adding, int retries) = 0;
  // True when the entry with a wrong CRC is to be kept anyway.
  virtual bool keepOnCrcError(const std::string &name, std::uint32_t found, std::uint32_t expected) = 0;
  // True when `name` is to be replaced; `overwrite` is the default answer.
  virtual bool askOverwrite(const std::string &name, bool existingIsOlder, bool overwrite, int index) = 0;
  virtual bool skipped(const std::string &name, SkipKind kind, int error) = 0;
  // True once any call above asked to stop.
  virtual bool cancelled() const = 0;
};

// Events that nobody listens to: no passwords, default answers, never cancelled.
class SilentEvents : public EngineEvents {
public:
  bool fileStarts(const std::string &, std::uint64_t) override { return true; }
  bool bytesDone(std::uint64_t) override { return true; }
  bool fileEnds() override { return true; }
  bool message(int, const std::string &) override { return true; }
  bool fileCount(std::uint64_t) override { return true; }
  bool totalSize(std::uint64_t) override { return true; }
  PasswordReply askPassword(const std::string &, bool, int) override { return {}; }
  bool keepOnCrcError(const std::string &, std::uint32_t, std::uint32_t) override { return false; }
  bool askOverwrite(const std::string &, bool, bool overwrite, int) override { return overwrite; }
  bool skipped(const std::string &, SkipKind, int) override { return true; }
  bool cancelled() const override { return false; }
};

struct AddRequest {
  std::string path;       // a path, or a path whose last part has wildcards
  std::string password;   // the line's password ("" = none)
  bool encrypt = false;
  bool recurse = false;
  std::string rootDir;    // relative specs and stored names start here ("" = current folder)
};

struct AddJob {
  std::string archivePath;
  std::string password;            // the record's password
  std::string storeSuffixes;       // ".gif:.png:..." stored without compression
  int level = 9;                   // 0 = stored, 1..9 deflate
  bool junkDirs = true;
  bool includeHidden = false;      // names starting with "." found by wildcards or recursion
  bool noDirEntries = true;        // false: folders met while recursing get entries of their own
  bool fromDateSet = false;        // only files changed on or after `fromTime`
  long long fromTime = 0;
  bool update = false, freshen = false, move = false;
  std::string comment;             // archive comment; "" keeps the old one
  bool hasComment = false;
  std::vector<AddRequest> requests;
  std::vector<std::string> excludes;
};

struct ExtractRequest {
  std::string path;       // entry name or wildcard pattern
  std::string password;   // tried first for the entries it names ("" = none)
};

struct ExtractJob {
  std::string archivePath;
  std::string baseDir;             // "" = the current folder
  std::string password;
  std::string altPassword;         // the same password in its other encoding ("" = none)
  zipfmt::NameCodePage codePage = zipfmt::NameCodePage::Auto;
  bool testOnly = false;
  bool update = false, freshen = false, keepDirs = false, overwrite = false;
  int passwordRequests = 1;        // asks per entry
  std::vector<ExtractRequest> requests;  // empty = every entry
};

// Adds the job's files; returns the number of files added. 0 means nothing
// changed: the old archive is untouched (a message said why).
int runAdd(const AddJob &job, EngineEvents &events);

// Extracts from the archive file; returns the number of files written (tested
// ones in test-only mode); 0 with a message when the archive cannot be read.
int runExtract(const ExtractJob &job, EngineEvents &events);

// The same, from an archive in memory (used by the fuzz target and tests).
int runExtractFromMemory(const ExtractJob &job, const void *data, std::size_t size, EngineEvents &events);

} // namespace qel::engine
