#pragma once
// The binary interface between the archive component and the two engine
// libraries (libzipdll.so adds, libunzdll.so extracts). The component fills
// one parameter record, passes it to the engine's single entry point and
// answers the engine's callbacks while it runs.
//
// All records are packed and little-endian. Field order and widths are fixed;
// every pointer is 64 bits wide. "Flag" fields are 32-bit: -1 true, 0 false.
// Text fields point at zero-terminated byte strings (UTF-8 here) owned by the
// component and valid for the duration of the call only.

#include <cstddef>
#include <cstdint>

namespace qel::zipabi {

using Flag32 = std::int32_t;
constexpr Flag32 kTrue = -1;
constexpr Flag32 kFalse = 0;
inline Flag32 flag(bool b) { return b ? kTrue : kFalse; }

// Every record ends with this constant, so an engine can tell a record it understands.
constexpr std::int32_t kRecordSeven = 7;
// Size of the text area of the callback record; text there is always zero-terminated.
constexpr std::size_t kCallbackTextSize = 512;

#pragma pack(push, 1)

struct ZipCallbackRecord;
// The component's callback: returns 0 to go on, -1 to cancel.
typedef std::int32_t (*ZipCallbackFunc)(ZipCallbackRecord *record);

// Callback actions.
enum CallbackAction : std::int32_t {
  cbNone = 0,
  cbNewFile = 1,          // a file starts: size at `size`, name in `text`
  cbProgress = 2,         // bytes done: count at `size`
  cbEndOfFile = 3,        // a file ends
  cbMessage = 4,          // message: error code at `errorCode` (0 for information), text
  cbTotalFiles = 5,       // number of files at `size`
  cbTotalSize = 6,        // total bytes at `size`
  cbNewName = 7,          // new name for an entry: text in, changed text out, `errorCode` := 1 when changed
  cbPassword = 8,         // password request: `errorCode` bit 0 set for adding; `size` the retry count;
                          // `text` the entry. Reply: `errorCode` 1 with the password in `text` (after
                          // its zero, optionally the same password in its other encoding) and the
                          // retries left at `size` (at most 15), or `errorCode` 0 for none; `action`
                          // set to 0 means "cancel all": ask no more in this call
  cbCrcError = 9,         // CRC error: found CRC at `errorCode`, expected at `size`; reply at `errorCode`
  cbOverwrite = 10,       // overwrite question: `errorCode` bit 16 = existing is older, low 16 bits = entry
                          // index; `size` low byte = overwrite default; answer back at `size`
  cbSkipped = 11,         // entry skipped: error at `errorCode`, skip kind + 1 at `size` (low byte)
  cbFileComment = 12,     // entry comment: reply text, flag at `errorCode`, length at `size`
  cbMemorySize = 13,      // memory output: size at `size`, address back at `size` (0 and
                          // `errorCode` := 1 on failure)
};

// Skip kinds (the value in `size` of cbSkipped minus 1).
enum SkipKind : std::int32_t {
  skipOnFreshen = 0,
  skipNoOverwrite,
  skipFileExists,
  skipBadPassword,
  skipNoEncryption,
  skipCompressionUnknown,
  skipUnknownZipHost,
  skipZipFileFormatWrong,
  skipGeneralExtractError,
};

// Passed by the engine to the callback. Offsets in comments (64-bit layout).
// Every field sits at its natural offset, so the record is also kept 8-byte
// aligned and its fields can be used without unaligned access.
struct alignas(8) ZipCallbackRecord {
  void *window;                        //   0 window handle from the parameter record
  void *component;                     //   8 the component, from the parameter record
  std::int32_t version;                //  16 the engine's version
  std::int32_t isAdding;               //  20 non-zero when the request comes from adding
  std::int32_t action;                 //  24 CallbackAction
  std::int32_t errorCode;              //  28 error code or reply flag
  std::int64_t size;                   //  32 size, count or reply value (pointer-wide: it
                                       //     carries a memory address for cbMemorySize)
  char text[kCallbackTextSize];        //  40 file name or message; the reply text goes here
};

// One file entry of the add record, per FSpecArgs line.
struct ZipAddFileEntry {
  const char *fileSpec;                //   0 file specification (no prefix, no password suffix)
  const char *fileComment;             //   8 null
  const char *altName;                 //  16 null
  const char *password;                //  24 the record's password, or the line's own
  std::int32_t encrypt;                //  32 record's encrypt flag; 0xFFFF with a line password;
                                       //     0 for a line ending in an empty password
  std::int16_t recurse;                //  36 record's recurse flag; -1 for ">", 0 for "|"
  std::uint8_t reserved1[14];          //  38
  const char *rootDir;                 //  52 RootDir as a full path, null when empty
  std::uint8_t reserved2[64];          //  60
};

// The add record passed to ZipDllExec.
struct ZipAddParams {
  void *window;                        //   0 window for the engine's own dialogs, null when unattended
  void *component;                     //   8 passed back in callbacks
  std::int32_t version;                //  16 the engine's version as reported by it
  ZipCallbackFunc callback;            //  20
  Flag32 trace;                        //  28
  const char *password;                //  32 at most 81 characters; null when empty
  const char *storeSuffixes;           //  40 ".gif:.png:..." stored without compression; null when empty
  Flag32 encrypt;                      //  48
  Flag32 hiddenFiles;                  //  52 include hidden and system files
  Flag32 volumeLabel;                  //  56
  Flag32 extraAttributes;              //  60 0
  Flag32 noDirEntries;                 //  64 true unless separate folder entries are wanted
  Flag32 fromDate;                     //  68 only files newer than `date`
  Flag32 verbose;                      //  72
  Flag32 quiet;                        //  76 always -1
  std::int32_t level;                  //  80 compression level 0..9
  std::int32_t reserved1;              //  84
  Flag32 crlfToLf;                     //  88 0
  Flag32 junkDirNames;                 //  92 true unless folder names are kept
  std::int16_t recurse;                //  96
  std::int16_t reserved2;              //  98
  Flag32 grow;                         // 100 always -1
  Flag32 forceDos;                     // 104
  Flag32 move;                         // 108 delete the files after adding
  Flag32 deleteEntries;                // 112 0
  Flag32 update;                       // 116
  Flag32 freshen;                      // 120
  Flag32 junkSfx;                      // 124 0
  Flag32 archiveTimeLatest;            // 128 archive time = latest entry
  char date[8];                        // 132 "mm dd yy", no terminator
  std::int32_t fileCount;              // 140 number of file entries
  const char *archive;                 // 144 archive path
  const char *tempDir;                 // 152 null when empty
  const char *archiveComment;          // 160 null when none
  std::int16_t archiveOnly;            // 168 1: only files with the archive bit
  std::int16_t resetArchive;           // 170 1: reset the archive bit
  ZipAddFileEntry *files;              // 172
  std::int32_t reserved3;              // 180
  std::int32_t excludeCount;           // 184 number of exclusion patterns
  const char *const *excludes;         // 188 array of pattern texts
  Flag32 outputToMemory;               // 196
  void *outputMemory;                  // 200
  std::int32_t outputMemorySize;       // 208
  Flag32 inputFromMemory;              // 212
  void *inputMemory;                   // 216
  std::int32_t inputMemorySize;        // 224
  std::int32_t memoryFileAttributes;   // 228
  std::int32_t memoryFileDate;         // 232
  Flag32 recycleDeleted;               // 236 -1: deletions go to the recycle bin
  std::int16_t wantedCodePage;         // 240 2 for OEM, else 0
  std::uint8_t reserved4[18];          // 242
  std::int32_t seven;                  // 260 kRecordSeven
};

// One file entry of the extract record.
struct UnzFileEntry {
  const char *fileSpec;                //   0 entry name or pattern
  const char *altName;                 //   8 null
  const char *password;                //  16 null
  std::uint8_t reserved[60];           //  24
};

// The extract record passed to UnzDllExec.
struct UnzExtractParams {
  void *window;                        //   0 null when unattended
  void *component;                     //   8
  std::int32_t version;                //  16
  ZipCallbackFunc callback;            //  20
  Flag32 trace;                        //  28
  std::int32_t reserved1;              //  32
  const char *password;                //  36 possibly empty
  Flag32 testOnly;                     //  44
  Flag32 comments;                     //  48 0
  Flag32 convert;                      //  52 0
  Flag32 quiet;                        //  56 -1
  Flag32 verbose;                      //  60
  Flag32 update;                       //  64
  Flag32 freshen;                      //  68
  Flag32 directories;                  //  72 keep folder names
  Flag32 overwrite;                    //  76
  std::int32_t fileCount;              //  80 0 = every entry
  const char *archive;                 //  84
  UnzFileEntry *files;                 //  92
  void *excludes;                      // 100 null
  Flag32 outputToMemory;               // 108
  void *outputMemory;                  // 112
  std::int32_t outputMemorySize;       // 120
  Flag32 inputFromMemory;              // 124
  void *inputMemory;                   // 128
  std::int32_t inputMemorySize;        // 136
  std::int32_t passwordRequestCount;   // 140 password requests allowed
  const char *targetDir;               // 144 null when empty
  const char *altPassword;             // 152 the password in its other encoding (legacy code
                                       //     page or UTF-8), tried after `password`; null when none
  std::int16_t nameCodePage;           // 160 names without the UTF-8 flag: 0 by their system,
                                       //     1 never OEM, 2 always OEM
  std::uint8_t reserved2[22];          // 162
  std::int32_t seven;                  // 184 kRecordSeven
};

#pragma pack(pop)

static_assert(sizeof(void *) == 8, "the engine records are laid out for 64-bit pointers");

static_assert(offsetof(ZipCallbackRecord, component) == 8);
static_assert(offsetof(ZipCallbackRecord, isAdding) == 20);
static_assert(offsetof(ZipCallbackRecord, action) == 24);
static_assert(offsetof(ZipCallbackRecord, errorCode) == 28);
static_assert(offsetof(ZipCallbackRecord, size) == 32);
static_assert(offsetof(ZipCallbackRecord, text) == 40);
static_assert(sizeof(ZipCallbackRecord) == 552);
static_assert(alignof(ZipCallbackRecord) == 8);

static_assert(offsetof(ZipAddFileEntry, password) == 24);
static_assert(offsetof(ZipAddFileEntry, encrypt) == 32);
static_assert(offsetof(ZipAddFileEntry, recurse) == 36);
static_assert(offsetof(ZipAddFileEntry, rootDir) == 52);
static_assert(sizeof(ZipAddFileEntry) == 124);

static_assert(offsetof(ZipAddParams, version) == 16);
static_assert(offsetof(ZipAddParams, callback) == 20);
static_assert(offsetof(ZipAddParams, password) == 32);
static_assert(offsetof(ZipAddParams, encrypt) == 48);
static_assert(offsetof(ZipAddParams, level) == 80);
static_assert(offsetof(ZipAddParams, recurse) == 96);
static_assert(offsetof(ZipAddParams, grow) == 100);
static_assert(offsetof(ZipAddParams, date) == 132);
static_assert(offsetof(ZipAddParams, fileCount) == 140);
static_assert(offsetof(ZipAddParams, archive) == 144);
static_assert(offsetof(ZipAddParams, archiveOnly) == 168);
static_assert(offsetof(ZipAddParams, files) == 172);
static_assert(offsetof(ZipAddParams, excludeCount) == 184);
static_assert(offsetof(ZipAddParams, excludes) == 188);
static_assert(offsetof(ZipAddParams, recycleDeleted) == 236);
static_assert(offsetof(ZipAddParams, wantedCodePage) == 240);
static_assert(offsetof(ZipAddParams, seven) == 260);
static_assert(sizeof(ZipAddParams) == 264);

static_assert(sizeof(UnzFileEntry) == 84);

static_assert(offsetof(UnzExtractParams, password) == 36);
static_assert(offsetof(UnzExtractParams, overwrite) == 76);
static_assert(offsetof(UnzExtractParams, fileCount) == 80);
static_assert(offsetof(UnzExtractParams, archive) == 84);
static_assert(offsetof(UnzExtractParams, files) == 92);
static_assert(offsetof(UnzExtractParams, passwordRequestCount) == 140);
static_assert(offsetof(UnzExtractParams, targetDir) == 144);
static_assert(offsetof(UnzExtractParams, altPassword) == 152);
static_assert(offsetof(UnzExtractParams, nameCodePage) == 160);
static_assert(offsetof(UnzExtractParams, seven) == 184);
static_assert(sizeof(UnzExtractParams) == 188);

// Entry points. Each exec takes one record and returns the number of files
// handled (0 or less on failure); each version call returns the engine's
// version times 100 plus its minor number (170 = 1.70).
typedef std::int32_t (*ZipDllExecFunc)(ZipAddParams *params);
typedef std::int32_t (*GetZipDllVersionFunc)();
typedef std::int32_t (*UnzDllExecFunc)(UnzExtractParams *params);
typedef std::int32_t (*GetUnzDllVersionFunc)();

// The names under which the engines export them.
constexpr const char *kZipDllExecName = "ZipDllExec";
constexpr const char *kGetZipDllVersionName = "GetZipDllVersion";
constexpr const char *kUnzDllExecName = "UnzDllExec";
constexpr const char *kGetUnzDllVersionName = "GetUnzDllVersion";

} // namespace qel::zipabi

extern "C" {
std::int32_t ZipDllExec(qel::zipabi::ZipAddParams *params);
std::int32_t GetZipDllVersion();
std::int32_t UnzDllExec(qel::zipabi::UnzExtractParams *params);
std::int32_t GetUnzDllVersion();
}
