#pragma once
// Steps of the main window whose command groups are not part of the program
// yet (recent files, window state, options dialog, help, card files,
// filter and list). Each is named for what it will do and does the least
// that keeps the program whole until its group arrives; nothing else in the
// main window knows which groups are missing.

#include <QString>

namespace qel {
class Tf_Main;
}

namespace qel::pending {

// The first start of the program for this user (the sample file is shown then).
bool IsFirstStart();
void MarkStarted();

// Card files.
QString FreeNewFileName();
bool IsNewFileName(const QString &name);
bool CurrentFileIsReadOnly();
bool AskSaveChanges(Tf_Main &);
void SaveFile(Tf_Main &);
void NewFile(Tf_Main &);
bool OpenFile(Tf_Main &, const QString &path, int mode);
void DeleteBodyFile();
// Writes the shown card's edited body to the body file before a save.
void StoreCurrentCard(Tf_Main &);
// Editor attributes back to their defaults (a new file).
void SetDefaultTextAttributes(Tf_Main &);

// Filter, list and card clipboard.
void Refilter(Tf_Main &);
void ApplySortOrder(Tf_Main &, bool sortByTitle);
void ApplyListLook(Tf_Main &, bool gridLines, bool flatScrollBars);
int SelectedCardCount(Tf_Main &);
bool CurrentCardHasNoColor(Tf_Main &);
bool CardClipboardExists();
void DeleteCardClipboard();

} // namespace qel::pending
