#pragma once
// TZipArchiver: reads the table of contents of a ZIP archive itself and
// leaves adding and extracting to the two engine libraries (libzipdll.so,
// libunzdll.so), bound at run time by full path.

#include "zip/format/zipdllabi.h"
#include "zip/format/zipnames.h"
#include "zip/format/zipstructs.h"
#include "zip/volumeservice.h"
#include "zip/zipdatalist.h"
#include "zip/zipmessages.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QFile;

namespace qel {

// A small set of enumeration members, bit n for member n.
template <typename E>
class EnumSet {
public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> members) {
    for (E m : members) bits_ |= bit(m);
  }
  static constexpr EnumSet fromBits(unsigned bits) { EnumSet s; s.bits_ = bits; return s; }
  constexpr bool contains(E m) const { return (bits_ & bit(m)) != 0; }
  constexpr EnumSet &insert(E m) { bits_ |= bit(m); return *this; }
  constexpr EnumSet &remove(E m) { bits_ &= ~bit(m); return *this; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr unsigned bits() const { return bits_; }
  constexpr bool operator==(const EnumSet &) const = default;
private:
  static constexpr unsigned bit(E m) { return 1u << static_cast<unsigned>(m); }
  unsigned bits_ = 0;
};

enum AddOpt {
  AddDirNames, AddRecurseDirs, AddMove, AddFreshen, AddUpdate, AddZipTime, AddForceDOS, AddHiddenFiles,
  AddArchiveOnly, AddResetArchive, AddEncrypt, AddSeparateDirs, AddVolume, AddFromDate, AddDiskSpan,
  AddDiskSpanErase,
};
using AddOpts = EnumSet<AddOpt>;

enum ExtrOpt { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate, ExtrTest };
using ExtrOpts = EnumSet<ExtrOpt>;

enum AddStoreExt {
  assGIF, assPNG, assZ, assZIP, assZOO, assARC, assLZH, assARJ, assTAZ, assTGZ, assLHA, assRAR, assACE, assCAB,
  assGZ, assGZIP, assJAR, assEXE,
};
using AddStoreExts = EnumSet<AddStoreExt>;
constexpr int kAddStoreExtCount = assEXE + 1;
// Every store-only suffix.
AddStoreExts allAddStoreExts();

enum CodePageOpt { cpAuto, cpNone, cpOEM };
// The name decoder's choice for a `CodePage` setting (listing and engines alike).
zipfmt::NameCodePage nameCodePage(CodePageOpt codePage);
enum DeleteOpt { htdFinal, htdAllowUndo };
enum ProgressType { NewFile, ProgressUpdate, EndOfBatch, TotalFiles2Process, TotalSize2Process };
enum UnZipSkipType {
  stOnFreshen, stNoOverwrite, stFileExists, stBadPassword, stNoEncryptionDLL, stCompressionUnknown,
  stUnknownZipHost, stZipFileFormatWrong, stGeneralExtractError,
};
enum TPasswordButton { pwbOk, pwbCancel, pwbCancelAll, pwbAbort };

enum SFXOpt { SFXAskCmdLine, SFXAskFiles, SFXAutoRun, SFXHideOverWriteBox, SFXCheckSize, SFXNoSuccessMsg };
using SFXOpts = EnumSet<SFXOpt>;
enum OvrOpts { OvrConfirm, OvrAlways, OvrNever };

// What a disk in the drive holds (a set of these bits), and the answer to it.
enum TZipDiskStatusBit : unsigned {
  zdsEmpty = 1, zdsHasFiles = 2, zdsPreviousDisk = 4, zdsSameFileName = 8, zdsNotEnoughSpace = 16,
};
using TZipDiskStatus = unsigned;
enum TZipDiskAction { zdaOk, zdaErase, zdaReject, zdaCancel };

// One file entry of the central directory.
struct ZipDirEntry : zipfmt::CentralFields {
  QString FileName;       // as decoded for this system ("/" separated)
  QByteArray RawName;     // as stored
  bool Encrypted = false; // general flags bit 0
  QByteArray ExtraData;   // the extra field, empty when its length is 0
  QString FileComment;
  // Sizes and the local header's offset (shifted like `localHeaderOffset`),
  // with the values a ZIP64 extra field holds for fields marked all ones.
  std::uint64_t UncompressedSize64 = 0;
  std::uint64_t CompressedSize64 = 0;
  std::uint64_t LocalHeaderOffset64 = 0;
};

// The component's exception: a message id and whether reporting shows it.
class EZipArchiver : public std::exception {
public:
  static EZipArchiver CreateFromId(int id, bool display);
  static EZipArchiver CreateFromIdInt(int id, int value);
  static EZipArchiver CreateFromIdStr(int id, const QString &text);

  int MessageId = 0;
  bool Display = true;
  QString Message;
  const char *what() const noexcept override;
private:
  mutable QByteArray what_;
};

class TZipArchiver {
public:
  // Engine file names: the names the system knows them by, mapped to the shared libraries here.
  static QString engineFileName(const QString &windowsName);
  static constexpr int kMaxPasswordLength = 80;  // the one password limit, as the prompt's edit
  static constexpr unsigned kMaxPasswordRequests = 15;

  TZipArchiver();
  ~TZipArchiver();
  TZipArchiver(const TZipArchiver &) = delete;
  TZipArchiver &operator=(const TZipArchiver &) = delete;

  // Published properties.
  int AddCompLevel = 9;
  AddOpts AddOptions;
  QDate AddFrom;
  AddStoreExts AddStoreSuffixes = allAddStoreExts();
  QString ExtrBaseDir;
  ExtrOpts ExtrOptions;
  int MinZipDllVers = 170;
  int MinUnzDllVers = 170;
  QString TempDir;
  QString RootDir;
  bool Unattended = false;
  bool Verbose = false;
  bool Trace = false;
  bool UseDirOnlyEntries = false;
  CodePageOpt CodePage = cpAuto;
  DeleteOpt HowToDelete = htdAllowUndo;
  // Disk spanning. ConfirmErase is kept but read by nothing: erasing without
  // formatting always asks.
  bool ConfirmErase = true;
  bool FormatErase = false;
  qint64 KeepFreeOnDisk1 = 0;       // bytes left free on the first volume
  qint64 MaxVolumeSize = 0;         // 0: as much as the volume holds
  qint64 MinFreeVolumeSize = 65536; // a volume with less free is refused
  // Self-extracting programs: what goes into the header behind the stub.
  QString SFXCaption = QStringLiteral("Self-extracting Archive");
  QString SFXCommandLine;
  QString SFXDefaultDir;
  QString SFXMessage;
  SFXOpts SFXOptions{SFXCheckSize};
  OvrOpts SFXOverWriteMode = OvrConfirm;
  QString SFXPath = QStringLiteral("ZipSFX.bin");  // the stub; the path used once found
  QByteArray SFXIcon;  // an icon file; empty: the stub's icon stays
  QString VersionInfo() const { return QStringLiteral("1.70"); }

  QString ZipFileName() const { return zipFileName_; }
  void SetZipFileName(const QString &name);  // lists the archive
  QString Password() const { return password_; }
  void SetPassword(const QString &password);  // at most kMaxPasswordLength characters are kept
  unsigned PasswordReqCount() const { return passwordReqCount_; }
  void SetPasswordReqCount(unsigned count);  // at most 15
  QString DLLDirectory() const { return dllDirectory_; }
  void SetDLLDirectory(const QString &dir);
  QStringList &FSpecArgs() { return fSpecArgs_; }
  void SetFSpecArgs(const QStringList &lines) { fSpecArgs_ = lines; }
  QStringList &FSpecArgsExcl() { return fSpecArgsExcl_; }
  void SetFSpecArgsExcl(const QStringList &lines) { fSpecArgsExcl_ = lines; }

  // Events (none set by the card program).
  std::function<void(TZipArchiver &)> OnDirUpdate;
  std::function<void(TZipArchiver &, ProgressType, const QString &name, qint64 size)> OnProgress;
  std::function<void(TZipArchiver &, int errCode, const QString &message)> OnMessage;
  std::function<void(TZipArchiver &, QString &name)> OnSetNewName;
  std::function<void(TZipArchiver &, int index, const ZipDirEntry &entry)> OnNewName;
  std::function<void(TZipArchiver &, bool isZipAction, QString &newPassword, const QString &forFile,
                     unsigned &repeatCount, TPasswordButton &action)> OnPasswordError;
  std::function<void(TZipArchiver &, const QString &file, unsigned foundCrc, unsigned expectedCrc,
                     bool &doExtract)> OnCRC32Error;
  std::function<void(TZipArchiver &, const QString &file, bool isOlder, bool &doOverwrite, int dirIndex)>
      OnExtractOverwrite;
  std::function<void(TZipArchiver &, const QString &file, UnZipSkipType, int errorCode)> OnExtractSkipped;
  std::function<void(TZipArchiver &, const QString &file, QString &comment, bool &isChanged)> OnFileComment;
  // Asks for volume DiskSeqNo (1-based) of DiskTotal in the drive; setting abortAction cancels.
  std::function<void(TZipArchiver &, int diskSeqNo, int diskTotal, const QString &drive, bool &abortAction)>
      OnGetNextDisk;
  std::function<void(TZipArchiver &, int previousDisk, const QString &previousFile, TZipDiskStatus status,
                     TZipDiskAction &action)>
      OnStatusDisk;

  // Run-time state.
  const std::vector<ZipDirEntry> &ZipContents() const { return entries_; }
  int Count() const { return zipFileName_.isEmpty() ? 0 : int(entries_.size()); }
  int SuccessCnt() const { return successCnt_; }
  int ErrCode() const { return errCode_; }
  int FullErrCode() const { return fullErrCode_; }
  QString Message() const { return message_; }
  bool ZipBusy() const { return zipBusy_; }
  bool UnzBusy() const { return unzBusy_; }
  // True while an add or extract is inside an engine; the owner must not
  // destroy the component or start another operation then.
  bool IsBusy() const { return zipBusy_ || unzBusy_; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool cancel) { cancel_ = cancel; }
  TZipStream &ZipStream() { return zipStream_; }
  qint64 TotalSizeToProcess() const { return totalSize_; }

  // Operations.
  void Add();
  void Extract();
  void List();  // lists ZipFileName again

  void ShowZipMessage(int id, const QString &extra = {});
  void ReportZipError(const EZipArchiver &error);

  // Engine binding; each returns the version (0 when not bound).
  int LoadZipEngine();
  int LoadUnzEngine();
  void UnloadZipEngine();
  void UnloadUnzEngine();
  bool ZipEngineLoaded() const { return zipEngine_.handle != nullptr; }
  bool UnzEngineLoaded() const { return unzEngine_.handle != nullptr; }
  QString ZipEnginePath() const { return zipEngine_.path; }
  QString UnzEnginePath() const { return unzEngine_.path; }

  // Opens `file` and finds its end record; `endPos` receives its offset.
  // A file that starts with the spanning signature followed by a local header
  // sets `spanned`. Raises EZipArchiver (11036, 11011) when `raise`, else returns false.
  bool OpenEndRecord(QFile &file, zipfmt::EndRecord &end, qint64 &endPos, bool raise, bool *spanned = nullptr);
  // The same, with where the directory is (ZIP64 end records read).
  bool OpenEndRecord(QFile &file, zipfmt::DirectoryLocation &where, bool raise, bool *spanned = nullptr);

  // Disk spanning. WriteSpan splits a finished archive into a set of volumes
  // named after `outFileName`; ReadSpan joins the set whose last volume is
  // `inFileName` into `outFilePath` (a file, or a folder for a temporary
  // name; cleared on failure). Each returns 0, -7 (a reported component
  // error), -8 (out of memory) or -9 (another error).
  int WriteSpan(const QString &inFileName, const QString &outFileName);
  int ReadSpan(const QString &inFileName, QString &outFilePath);
  // The drive services (tests install a stand-in; nullptr restores the system's).
  void SetVolumeService(VolumeService *service) { volumes_ = service ? service : &systemVolumes(); }
  // The last volume number of the set the listing found (0: not spanned).
  int LastVolumeNumber() const { return listedLastVolume_; }

  // The routines under spanning, usable on their own.
  // Deletes a file to the trash (htdAllowUndo) or for good; -1 when it does
  // not exist, 0 done, another value on failure.
  int DeleteArchiveFile(const QString &fileName, DeleteOpt how);
  // A new file of a unique name in TempDir (or the private temporary
  // folder), created exclusively so nobody else can take the name; "" on failure.
  QString MakeTempArchiveName(const QString &prefix = QStringLiteral("zip"), const QString &extension = QStringLiteral(".zip"));
  // Copies count bytes (all to the end when below 0); 0, or -2 on any failure.
  int CopyFileBytes(QFile &source, QFile &target, qint64 count);
  // The path with a trailing separator; an empty path stays empty.
  static QString AddBackslash(const QString &path);
  // Deletes everything inside the folder: links are removed, never
  // followed, and nothing on another file system is touched.
  void ClearVolume(const QString &folder);
  int EraseVolume();
  int FormatVolume(const QString &drive);

  // Self-extracting programs. MakeSelfExtracting: 0 done; -1 the program
  // could not be created; -2 a write or copy failed; -3 the stub or the
  // archive could not be read; -9 nothing done (reported) or a wrong final
  // length; -10, -11, -12 from ReplaceStubIcon.
  int MakeSelfExtracting();
  // The header written behind the stub; empty when a text exceeds 255 bytes.
  QByteArray SfxHeader() const;
  int CopyCentralDirectory(QFile &program, QFile &archive, const zipfmt::DirectoryLocation &where, qint64 shift);
  // Replaces the first 32x32 icon image of the stub at the start of
  // `program`: 0 done, -10 no usable icon in a sound stub, -11 a read or
  // write failed, -12 SFXIcon is not one 32x32 16-colour image.
  int ReplaceStubIcon(QFile &program, qint64 stubSize);
  // The icon image's virtual address in a resource section, 0 when none.
  static std::uint32_t FindStubIcon(const QByteArray &section, std::uint32_t virtualAddress, std::uint32_t rawSize,
                                    std::uint32_t resourceAddress);

  // Wait cursor nesting.
  void StartWaitCursor();
  void StopWaitCursor();

  // The engine callback (public for the engines' C entry).
  static std::int32_t engineCallback(zipabi::ZipCallbackRecord *record);

private:
  // The message and result of a split or join an error ended (inside its catch).
  int ReportSpanFailure();
  struct Engine {
    void *handle = nullptr;
    QString path;
    int version = 0;
    void *exec = nullptr;
    void *getVersion = nullptr;
  };
  struct EngineKind;
  int loadEngine(Engine &engine, const EngineKind &kind);
  void unloadEngine(Engine &engine);
  QString enginePath(const QString &fileName) const;
  void listArchive();
  QByteArray readSpannedDirectory(QFile &file, const zipfmt::DirectoryLocation &where);

  // Spanning state and routines (zipspan.cpp).
  struct SpanState;
  VolumeKind AskForVolume(bool writing);
  bool IsExpectedVolume(VolumeKind kind);
  void OpenNextVolume(int number);
  bool ReadDriveInfo();
  void ReadDiskSpace(int which);
  void WriteToVolume(const char *buffer, qint64 count, qint64 minimum);
  void CopyToVolumes(qint64 count, int id);
  void CopyFromVolumes(qint64 count, int id);
  void WriteOutput(const char *buffer, qint64 count, int id);
  void ReadFromVolumes(char *buffer, qint64 count, int id, bool mayStraddle);
  void closeOutputVolume();
  QString numberedVolumeName(const QString &name, int volume) const;
  // The file of the last volume the last split wrote on numbered files ("" otherwise).
  QString lastSpanVolumeFile() const;
  void ZipTrace(const QString &text);
  bool FindLastVolumeEnd(QFile &file, zipfmt::EndRecord &end, qint64 &endPos);
  std::unique_ptr<SpanState> span_;
  VolumeService *volumes_ = &systemVolumes();
  int listedLastVolume_ = 0;
  bool listedFaulty_ = false;  // the last listing found the structure shifted (10203)
  QString findStub();
  void clearLists();
  std::int32_t callback(zipabi::ZipCallbackRecord &record);
  void answerPassword(zipabi::ZipCallbackRecord &record);
  bool promptPassword(bool forAdding, const QString &prompt, QString &password, TPasswordButton &button);

  QString zipFileName_;
  QString password_;
  unsigned passwordReqCount_ = 1;
  QString dllDirectory_;
  QStringList fSpecArgs_;
  QStringList fSpecArgsExcl_;
  std::vector<ZipDirEntry> entries_;
  int successCnt_ = 0;
  int errCode_ = 0;
  int fullErrCode_ = 0;
  QString message_;
  bool zipBusy_ = false;
  bool unzBusy_ = false;
  bool cancel_ = false;
  bool callbackFailed_ = false;
  TZipStream zipStream_;
  qint64 totalSize_ = 0;
  int waitCount_ = 0;
  Engine zipEngine_;
  Engine unzEngine_;
};

} // namespace qel
