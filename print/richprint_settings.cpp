// The rich printer's own settings store under "RichPrint.Settings": margins,
// unit and orientation ("Marges") and the preview's compression switch
// ("Compress"). Integers and booleans are stored as the texts "1" and "0",
// margins as 8-byte binary doubles.

#include "print/richprint.h"

#include "platform/registry.h"

#include <cmath>
#include <cstring>

namespace qel {

namespace {

const QString kSettingsKey = QStringLiteral("\\RichPrint.Settings");

// A stored "1"/"0" flag; `fallback` when missing or not a number.
int readFlag(const TRegistry &reg, const QString &name, int fallback) {
  RegValue v;
  if (!reg.ReadValue(name, v)) return fallback;
  bool ok = false;
  int n = 0;
  if (v.type == TRegDataType::rdString) n = v.text.trimmed().toInt(&ok);
  else if (v.type == TRegDataType::rdInteger) { n = int(v.number); ok = true; }
  return ok ? n : fallback;
}

// A stored margin; false (the margin keeps its value) when it is missing or
// not an 8-byte double.
bool readMargin(const TRegistry &reg, const QString &name, double &value) {
  RegValue v;
  if (!reg.ReadValue(name, v) || v.type != TRegDataType::rdBinary || v.bytes.size() != int(sizeof(double))) return false;
  double d = 0;
  std::memcpy(&d, v.bytes.constData(), sizeof d);
  if (!std::isfinite(d)) return false;
  value = d;
  return true;
}

} // namespace

void TRichPrinter::LoadSettings() {
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKeyReadOnly(kSettingsKey + QStringLiteral("\\Marges"))) {
    SetMarginLeft(marginLeft_);
    SetMarginTop(marginTop_);
    SetMarginBottom(marginBottom_);
    SetMarginRight(marginRight_);
    SetMeasureUnit(measureUnit_);
    return;
  }
  // The margins were saved in the stored unit: the unit is set first, so
  // they are not converted as if they had been in the old one.
  SetMeasureUnit(readFlag(reg, QStringLiteral("CodeMeasurement"), 1) == 1 ? muMillimeters : muInches);
  double v = 0;
  if (readMargin(reg, QStringLiteral("MarginLeft"), v)) SetMarginLeft(v);
  if (readMargin(reg, QStringLiteral("MarginTop"), v)) SetMarginTop(v);
  if (readMargin(reg, QStringLiteral("MarginBottom"), v)) SetMarginBottom(v);
  if (readMargin(reg, QStringLiteral("MarginRight"), v)) SetMarginRight(v);
  SetOrientation(readFlag(reg, QStringLiteral("CodeDirection"), 1) == 1 ? QPageLayout::Portrait : QPageLayout::Landscape);
}

void TRichPrinter::SaveSettings() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKey(kSettingsKey + QStringLiteral("\\Marges"), true)) return;
  auto writeMargin = [&reg](const QString &name, double value) {
    QByteArray bytes(int(sizeof value), Qt::Uninitialized);
    std::memcpy(bytes.data(), &value, sizeof value);
    reg.WriteBinaryData(name, bytes);
  };
  writeMargin(QStringLiteral("MarginLeft"), marginLeft_);
  writeMargin(QStringLiteral("MarginTop"), marginTop_);
  writeMargin(QStringLiteral("MarginBottom"), marginBottom_);
  writeMargin(QStringLiteral("MarginRight"), marginRight_);
  reg.WriteString(QStringLiteral("CodeMeasurement"), measureUnit_ == muMillimeters ? QStringLiteral("1") : QStringLiteral("0"));
  reg.WriteString(QStringLiteral("CodeDirection"), Orientation() == QPageLayout::Portrait ? QStringLiteral("1") : QStringLiteral("0"));
  reg.CloseKey();
}

void TRichPrinter::SaveCompressSetting() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKey(kSettingsKey + QStringLiteral("\\Compress"), true)) return;
  reg.WriteString(QStringLiteral("CompressPreview"), CompressPreview ? QStringLiteral("1") : QStringLiteral("0"));
  reg.CloseKey();
}

// The preview's own reading of the switch (default on).
bool ReadCompressPreviewSetting() {
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKeyReadOnly(kSettingsKey + QStringLiteral("\\Compress"))) return true;
  return readFlag(reg, QStringLiteral("CompressPreview"), 1) != 0;
}

} // namespace qel
