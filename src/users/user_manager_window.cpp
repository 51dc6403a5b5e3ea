#include "users/user_manager_window.h"

TForm3::TForm3(QWidget* parent) : QDialog(parent) {}

void TForm3::SetWorkspaceOpen(bool) {}

void TForm3::SetWorkspaceFolder(const QString&) {}

void TForm3::LoadUsers(const QString&) {}

void TForm3::SetWorkspaceSeen(bool) {}

void TForm3::SetShowPins(bool) {}

void TForm3::ApplyTexts(const qtx::LanguageTable&) {}
