#pragma once
// A UiServices for tests: answers every prompt from a queue, records what was
// asked, and fails the test (answering Cancel) when a prompt has no answer.

#include "platform/uiservices.h"

#include <QColor>
#include <QFont>
#include <deque>
#include <functional>
#include <vector>

class QDialog;

namespace qel::test {

struct Answer {
  PromptKind kind = PromptKind::Message;
  int result = IDOK;          // message box result, or dialog result code
  bool accepted = true;       // input, file, colour, font and folder prompts
  QString text;               // input text, file or folder name
  bool readOnly = false;      // open dialog's read-only box
  QColor color;
  QFont font;
  std::function<void(QDialog &)> fill;  // fills a dialog's controls before it "closes"

  static Answer button(int id) { Answer a; a.kind = PromptKind::Message; a.result = id; return a; }
  static Answer input(const QString &t) { Answer a; a.kind = PromptKind::Input; a.text = t; return a; }
  static Answer cancelInput() { Answer a; a.kind = PromptKind::Input; a.accepted = false; return a; }
  static Answer openFile(const QString &f, bool ro = false) { Answer a; a.kind = PromptKind::OpenFile; a.text = f; a.readOnly = ro; return a; }
  static Answer saveFile(const QString &f) { Answer a; a.kind = PromptKind::SaveFile; a.text = f; return a; }
  static Answer cancel(PromptKind k) { Answer a; a.kind = k; a.accepted = false; a.result = IDCANCEL; return a; }
  static Answer dialog(int code, std::function<void(QDialog &)> f = {}) { Answer a; a.kind = PromptKind::Dialog; a.result = code; a.fill = std::move(f); return a; }
  static Answer pickColor(const QColor &c) { Answer a; a.kind = PromptKind::Color; a.color = c; return a; }
  static Answer pickFolder(const QString &f) { Answer a; a.kind = PromptKind::Folder; a.text = f; return a; }
  static Answer accept(PromptKind k) { Answer a; a.kind = k; return a; }
};

class ScriptedUi : public UiServices {
public:
  // Installs itself for the lifetime of the object.
  ScriptedUi();
  ~ScriptedUi() override;

  ScriptedUi &answer(Answer a) { queue_.push_back(std::move(a)); return *this; }
  ScriptedUi &answerButton(int id) { return answer(Answer::button(id)); }

  const std::vector<Prompt> &prompts() const { return prompts_; }
  // Message texts in the order asked.
  QStringList messageTexts() const;
  bool allAnswered() const { return queue_.empty(); }
  void clear() { prompts_.clear(); queue_.clear(); }

  int messageBox(const QString &text, const QString &caption, unsigned flags) override;
  bool inputQuery(const QString &caption, const QString &label, QString &value) override;
  bool openFileName(const FileDialogOptions &options, QString &fileName, bool *readOnly) override;
  bool saveFileName(const FileDialogOptions &options, QString &fileName) override;
  // Answered by an OpenFile answer whose text holds the names, one a line.
  bool openFileNames(const FileDialogOptions &options, QStringList &fileNames) override;
  bool chooseColor(const QString &caption, QColor &color) override;
  bool chooseFont(const QString &caption, QFont &font, QColor &color) override;
  bool chooseFolder(const QString &caption, QString &folder) override;
  int execDialog(QDialog &dialog) override;
  bool openUrl(const QString &url) override;
  bool startProgram(const QString &program, const QStringList &arguments) override;

private:
  // Takes the next answer, checking it is of the expected kind.
  bool next(const Prompt &p, Answer &out);

  std::deque<Answer> queue_;
  std::vector<Prompt> prompts_;
  UiServices *previous_ = nullptr;
};

} // namespace qel::test
