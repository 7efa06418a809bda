#include "tests/support/scriptedui.h"

#include <QDialog>
#include <gtest/gtest.h>

namespace qel::test {

namespace {
const char *kindName(PromptKind k) {
  switch (k) {
  case PromptKind::Message: return "message";
  case PromptKind::Input: return "input";
  case PromptKind::OpenFile: return "open file";
  case PromptKind::SaveFile: return "save file";
  case PromptKind::Color: return "colour";
  case PromptKind::Font: return "font";
  case PromptKind::Folder: return "folder";
  case PromptKind::Dialog: return "dialog";
  case PromptKind::OpenUrl: return "open URL";
  case PromptKind::StartProgram: return "start program";
  }
  return "?";
}
} // namespace

ScriptedUi::ScriptedUi() { previous_ = setUiServices(this); }
ScriptedUi::~ScriptedUi() { setUiServices(previous_); }

QStringList ScriptedUi::messageTexts() const {
  QStringList out;
  for (const Prompt &p : prompts_)
    if (p.kind == PromptKind::Message) out << p.text;
  return out;
}

bool ScriptedUi::next(const Prompt &p, Answer &out) {
  prompts_.push_back(p);
  if (queue_.empty()) {
    ADD_FAILURE() << "Unexpected " << kindName(p.kind) << " prompt: caption \"" << p.caption.toStdString()
                  << "\", text \"" << p.text.toStdString() << "\" " << p.detail.toStdString();
    return false;
  }
  out = std::move(queue_.front());
  queue_.pop_front();
  if (out.kind != p.kind) {
    ADD_FAILURE() << "Scripted answer is for a " << kindName(out.kind) << " prompt, but a " << kindName(p.kind)
                  << " prompt came: \"" << p.text.toStdString() << "\"";
    return false;
  }
  return true;
}

int ScriptedUi::messageBox(const QString &text, const QString &caption, unsigned flags) {
  Prompt p;
  p.kind = PromptKind::Message;
  p.caption = caption;
  p.text = text;
  p.flags = flags;
  Answer a;
  if (!next(p, a)) return (flags & MB_BUTTONMASK) == MB_OK ? IDOK : IDCANCEL;
  return a.result;
}

bool ScriptedUi::inputQuery(const QString &caption, const QString &label, QString &value) {
  Prompt p{PromptKind::Input, caption, label, 0, value, {}};
  Answer a;
  if (!next(p, a) || !a.accepted) return false;
  value = a.text;
  return true;
}

bool ScriptedUi::openFileName(const FileDialogOptions &o, QString &fileName, bool *readOnly) {
  Prompt p{PromptKind::OpenFile, o.caption, fileName, 0, o.filter, {o.initialDir}};
  Answer a;
  if (!next(p, a) || !a.accepted) return false;
  fileName = a.text;
  if (readOnly) *readOnly = a.readOnly;
  return true;
}

bool ScriptedUi::openFileNames(const FileDialogOptions &o, QStringList &fileNames) {
  Prompt p{PromptKind::OpenFile, o.caption, QString(), 0, o.filter, {o.initialDir}};
  Answer a;
  if (!next(p, a) || !a.accepted) return false;
  fileNames = a.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  return true;
}

bool ScriptedUi::saveFileName(const FileDialogOptions &o, QString &fileName) {
  Prompt p{PromptKind::SaveFile, o.caption, fileName, 0, o.filter, {o.initialDir}};
  Answer a;
  if (!next(p, a) || !a.accepted) return false;
  fileName = a.text;
  return true;
}

bool ScriptedUi::chooseColor(const QString &caption, QColor &color) {
  Prompt p{PromptKind::Color, caption, color.name(), 0, {}, {}};
  Answer a;
  if (!next(p, a) || !a.accepted) return false;
  color = a.color;
  return true;
}

bool ScriptedUi::chooseFont(const QString &caption, QFont &font, QColor &color) {
  Prompt p{PromptKind::Font, caption, font.family(), 0, {}, {}};
  Answer a;
  if (!next(p, a) || !a.accepted) return false;
  font = a.font;
  if (a.color.isValid()) color = a.color;
  return true;
}

bool ScriptedUi::chooseFolder(const QString &caption, QString &folder) {
  Prompt p{PromptKind::Folder, caption, folder, 0, {}, {}};
  Answer a;
  if (!next(p, a) || !a.accepted) return false;
  folder = a.text;
  return true;
}

int ScriptedUi::execDialog(QDialog &dialog) {
  Prompt p{PromptKind::Dialog, dialog.windowTitle(), {}, 0, dialog.objectName(), {}};
  Answer a;
  if (!next(p, a)) return QDialog::Rejected;
  if (a.fill) a.fill(dialog);
  dialog.setResult(a.result);
  return a.result;
}

bool ScriptedUi::openUrl(const QString &url) {
  Prompt p{PromptKind::OpenUrl, {}, url, 0, url, {}};
  Answer a;
  return next(p, a) && a.accepted;
}

bool ScriptedUi::startProgram(const QString &program, const QStringList &arguments) {
  Prompt p{PromptKind::StartProgram, {}, program, 0, program, arguments};
  Answer a;
  return next(p, a) && a.accepted;
}

} // namespace qel::test
