#include "toolbars/core/tbshortcut.h"

namespace qel::toolbars {

namespace {

struct TKeyName {
  int Key;
  const char *Name;
};

constexpr TKeyName KeyNames[] = {
    {Qt::Key_Space, "Space"},     {Qt::Key_Escape, "Esc"},       {Qt::Key_Tab, "Tab"},
    {Qt::Key_Backtab, "Backtab"}, {Qt::Key_Backspace, "Backspace"}, {Qt::Key_Return, "Return"},
    {Qt::Key_Enter, "Enter"},     {Qt::Key_Insert, "Ins"},       {Qt::Key_Delete, "Del"},
    {Qt::Key_Pause, "Pause"},     {Qt::Key_Print, "Print"},      {Qt::Key_SysReq, "SysReq"},
    {Qt::Key_Home, "Home"},       {Qt::Key_End, "End"},          {Qt::Key_Left, "Left"},
    {Qt::Key_Up, "Up"},           {Qt::Key_Right, "Right"},      {Qt::Key_Down, "Down"},
    {Qt::Key_PageUp, "PgUp"},     {Qt::Key_PageDown, "PgDown"},  {Qt::Key_CapsLock, "CapsLock"},
    {Qt::Key_NumLock, "NumLock"}, {Qt::Key_ScrollLock, "ScrollLock"}, {Qt::Key_Menu, "Menu"},
    {Qt::Key_Help, "Help"},
};

QString KeyText(int key) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
    return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
  for (const TKeyName &name : KeyNames)
    if (name.Key == key)
      return QString::fromLatin1(name.Name);
  if (key > 0 && key <= 0x10FFFF && key < Qt::Key_Escape)
    {
    const char32_t c = char32_t(key);
    return QString::fromUcs4(&c, 1).toUpper();
  }
  return QString();
}

} // namespace

QString ShortCutToText(TShortCut shortCut) {
  if (shortCut == 0)
    return QString();
  const int key = shortCut & ~int(Qt::KeyboardModifierMask);
  QString text;
  if (shortCut & Qt::ControlModifier)
    text += QStringLiteral("Ctrl+");
  if (shortCut & Qt::MetaModifier)
    text += QStringLiteral("Meta+");
  if (shortCut & Qt::AltModifier)
    text += QStringLiteral("Alt+");
  if (shortCut & Qt::ShiftModifier)
    text += QStringLiteral("Shift+");
  return text + KeyText(key);
}

} // namespace qel::toolbars
