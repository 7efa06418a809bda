#include "zip/zipmessages.h"

#include <QHash>
#include <QRegularExpression>

namespace qel {

namespace {

const QHash<int, QString> &table() {
  static const QHash<int, QString> t = {
    {10101, QStringLiteral("Fatal Error in ZipDLL.DLL: abort exception")},
    {10102, QStringLiteral("Error - no zip file specified!")},
    {10103, QStringLiteral("Requested memory not available")},
    {10104, QStringLiteral("Error - passwords do NOT match\nPassword ignored")},
    {10105, QStringLiteral("Copying: ")},
    {10150, QStringLiteral("Error - no add password given")},
    {10151, QStringLiteral("Error - no extract password given")},
    {10201, QStringLiteral("Seek error reading Zip archive!")},
    {10202, QStringLiteral("Unknown error in List() function\n")},
    {10203, QStringLiteral("Warning - Error in zip structure!")},
    {10301, QStringLiteral("Error - no files to zip!")},
    {10302, QStringLiteral("Unattended action not possible without a password")},
    {10303, QStringLiteral("AddFreshen or AddUpdate not possible on a spanned archive")},
    {10304, QStringLiteral("Error %.1d occurred during Auto SFX creation.")},
    {10501, QStringLiteral("Fatal Error in UnzDLL.DLL: abort exception")},
    {10502, QStringLiteral("Warning - Unattended Extract: possible not all files extracted")},
    {10601, QStringLiteral("ZIP DLL Loaded")},
    {10602, QStringLiteral("ZipDllExec function not found in ZIPDLL.DLL!")},
    {10603, QStringLiteral("GetZipDllVersion function not found in ZIPDLL.DLL!")},
    {10604, QStringLiteral("ZIPDLL.DLL not found!")},
    {10605, QStringLiteral("Attempted to load old ZipDll from ")},
    {10701, QStringLiteral("UNZDLL Loaded!")},
    {10702, QStringLiteral("UnzDllExec function not found in UNZDLL.DLL!")},
    {10703, QStringLiteral("GetUnzDllVersion function not found in UNZDLL.DLL!")},
    {10704, QStringLiteral("UNZDLL.DLL not found!")},
    {10705, QStringLiteral("Attempted to load old UnzDll from ")},
    {10801, QStringLiteral("Error - On or more of the 4 property strings mentioned below exceeds 255 characters!")},
    {10802, QStringLiteral("Error - ZIPSFX.BIN not found!")},
    {10803, QStringLiteral("Error: input file is not a zip file")},
    {11001, QStringLiteral("Input file does not exist")},
    {11002, QStringLiteral("Zip file could not be opened")},
    {11003, QStringLiteral("Not a valid drive: %s")},
    {11004, QStringLiteral("Drive %s is NOT defined")},
    {11005, QStringLiteral("Volume label could not be set")},
    {11006, QStringLiteral("Not enough memory to display MsgBox")},
    {11007, QStringLiteral("User canceled operation")},
    {11008, QStringLiteral("Seek error in input file")},
    {11009, QStringLiteral("Creation of output file failed")},
    {11010, QStringLiteral("Write error in output file")},
    {11011, QStringLiteral("Error while reading the End Of Central Directory")},
    {11012, QStringLiteral("Error while reading a local header")},
    {11013, QStringLiteral("Error while reading a central header")},
    {11014, QStringLiteral("A local header signature is wrong")},
    {11015, QStringLiteral("A central header signature is wrong")},
    {11016, QStringLiteral("Error while reading a local file name")},
    {11017, QStringLiteral("Error while reading a central file name")},
    {11018, QStringLiteral("Error while reading a local extra field")},
    {11019, QStringLiteral("Error while reading a central extra field")},
    {11020, QStringLiteral("Error while reading/writing a data descriptor area")},
    {11021, QStringLiteral("Error while reading zipped data")},
    {11022, QStringLiteral("Error while reading a file comment")},
    {11023, QStringLiteral("Error while reading the archive comment")},
    {11024, QStringLiteral("UnKnown error in function ReadSpan(), WriteSpan(), Rename() or CopyZippedFiles()\n")},
    {11025, QStringLiteral("Unattended disk spanning not implemented")},
    {11026, QStringLiteral("A local header not found in internal structure")},
    {11027, QStringLiteral("Temporary file could not be created")},
    {11028, QStringLiteral("Error while writing a local header")},
    {11029, QStringLiteral("Error while writing a central header")},
    {11030, QStringLiteral("Error while writing the End Of Central Directory")},
    {11031, QStringLiteral("Error while reading a Extended Local signature")},
    {11032, QStringLiteral("This disk has not enough free space available")},
    {11033, QStringLiteral("Please insert last disk in set")},
    {11034, QStringLiteral("Please insert disk volume %.1d of %.1d")},
    {11035, QStringLiteral("\r\nin drive: %s")},
    {11036, QStringLiteral("This archive is not a valid Zip archive")},
    {11037, QStringLiteral("This is the first disk in a backup set,\nplease insert the last disk of this set")},
    {11038, QStringLiteral("This is the %dth disk in a backup set,\nplease insert the last disk of this set")},
    {11039, QStringLiteral("Overwrite previous file %s")},
    {11040, QStringLiteral("Overwrite previous disk no %d")},
    {11041, QStringLiteral("Error - Self extracting archives(.exe) can not be spanned")},
    {11042, QStringLiteral("Error while copying a filename of a CEH structure")},
    {11043, QStringLiteral("Seek error while skipping a EOC structure")},
    {11044, QStringLiteral("Error while copying the zip archive comment")},
    {11045, QStringLiteral("This is the first file in a backup set,\nplease choose the last file of this set")},
    {11046, QStringLiteral("Please insert disk volume %.1d")},
    {11047, QStringLiteral("Central directory")},
    {11049, QStringLiteral("A spanned set cannot hold more than 999 volumes")},
  };
  return t;
}

} // namespace

bool lookupZipText(int id, QString &text) {
  auto it = table().constFind(id);
  if (it == table().constEnd()) return false;
  text = it.value();
  return true;
}

QString LoadZipText(int id, const QString &fallback) {
  QString text;
  return lookupZipText(id, text) ? text : fallback;
}

QString formatZipText(const QString &text, const QStringList &values) {
  static const QRegularExpression placeholder(QStringLiteral("%(\\.\\d+)?[ds]"));
  QString out;
  qsizetype from = 0;
  qsizetype next = 0;
  QRegularExpressionMatchIterator it = placeholder.globalMatch(text);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    out += text.mid(from, m.capturedStart() - from);
    out += next < values.size() ? values[next++] : m.captured();
    from = m.capturedEnd();
  }
  out += text.mid(from);
  return out;
}

QString zipMessageText(int id) {
  QString text;
  if (lookupZipText(id, text)) return text;
  switch (id) {
  case 10605:
  case 10705:
    return QStringLiteral("Old Dll from ");
  case 10804:
    return QStringLiteral("SFX not supported");
  case 11048:
    return QStringLiteral("Span not supported");
  default:
    return QStringLiteral("ZipMsgXX.res is probably not linked to the executable\nMissing String ID is: ") +
           QString::number(id);
  }
}

} // namespace qel
