#pragma once
// The archive component's message table: texts by message id.

#include <QString>
#include <QStringList>

namespace qel {

// Message ids the component reports.
enum ZipMessageId : int {
  GE_FatalZip = 10101,
  GE_NoZipSpecified = 10102,
  GE_NoMem = 10103,
  GE_WrongPassword = 10104,
  GE_Copying = 10105,
  PW_UnatAddPWMiss = 10150,
  PW_UnatExtPWMiss = 10151,
  LI_ReadZipError = 10201,
  LI_ErrorUnknown = 10202,
  LI_WrongZipStruct = 10203,
  AD_NothingToZip = 10301,
  AD_UnattPassword = 10302,
  AD_NoFreshenUpdate = 10303,
  AD_AutoSFXWrong = 10304,
  EX_FatalUnZip = 10501,
  EX_UnAttPassword = 10502,
  LD_NoDll = 10600,
  LZ_ZipDllLoaded = 10601,
  LZ_NoZipDllExec = 10602,
  LZ_NoZipDllVers = 10603,
  LZ_NoZipDll = 10604,
  LZ_OldZipDll = 10605,
  LU_UnzDllLoaded = 10701,
  LU_NoUnzDllExec = 10702,
  LU_NoUnzDllVers = 10703,
  LU_NoUnzDll = 10704,
  LU_OldUnzDll = 10705,
  SF_StringTooLong = 10801,
  SF_NoZipSFXBin = 10802,
  SF_InputIsNoZip = 10803,
  SF_NotSupported = 10804,
  DS_NoInFile = 11001,
  DS_FileOpen = 11002,
  DS_NotaDrive = 11003,
  DS_DriveNoMount = 11004,
  DS_NoVolume = 11005,
  DS_NoMem = 11006,
  DS_Canceled = 11007,
  DS_FailedSeek = 11008,
  DS_NoOutFile = 11009,
  DS_NoWrite = 11010,
  DS_EOCBadRead = 11011,
  DS_LOHBadRead = 11012,
  DS_CEHBadRead = 11013,
  DS_LOHWrongSig = 11014,
  DS_CEHWrongSig = 11015,
  DS_LONameLen = 11016,
  DS_CENameLen = 11017,
  DS_LOExtraLen = 11018,
  DS_CEExtraLen = 11019,
  DS_DataDesc = 11020,
  DS_ZipData = 11021,
  DS_CECommentLen = 11022,
  DS_EOArchComLen = 11023,
  DS_ErrorUnknown = 11024,
  DS_NoUnattSpan = 11025,
  DS_LOHNotFound = 11026,
  DS_NoTempFile = 11027,
  DS_LOHBadWrite = 11028,
  DS_CEHBadWrite = 11029,
  DS_EOCBadWrite = 11030,
  DS_ExtWrongSig = 11031,
  DS_NoDiskSpace = 11032,
  DS_InsertDisk = 11033,
  DS_InsertVolume = 11034,
  DS_InDrive = 11035,
  DS_NoValidZip = 11036,
  DS_FirstInSet = 11037,
  DS_NotLastInSet = 11038,
  DS_AskDeleteFile = 11039,
  DS_AskPrevFile = 11040,
  DS_NoSFXSpan = 11041,
  DS_CECopyName = 11042,
  DS_EOCSkip = 11043,
  DS_EOCCopyComment = 11044,
  DS_FirstFileOnHD = 11045,
  DS_InsertAVolume = 11046,
  DS_CopyCentral = 11047,
  DS_NoSpan = 11048,
  DS_TooManyVolumes = 11049,
};

// The text of a message id; false (and `text` untouched) when the table has none.
bool lookupZipText(int id, QString &text);
// The text of an id, or `fallback` when the table has none.
QString LoadZipText(int id, const QString &fallback);
// Fills the printf-style placeholders ("%d", "%s", "%.1d") of a message
// text one by one with the given values.
QString formatZipText(const QString &text, const QStringList &values);
// The text of an id by the component's rule for missing texts: a few ids
// have a short fallback, every other one names the missing id.
QString zipMessageText(int id);

} // namespace qel
