#pragma once

#include <QDialog>

namespace qtx {
class LanguageTable;
}

// TForm3, the user manager: the workspace's user list with filter, sort, add, edit, delete and save.
class TForm3 : public QDialog {
public:
    explicit TForm3(QWidget* parent = nullptr);

    void SetWorkspaceOpen(bool open);
    void SetWorkspaceFolder(const QString& folder);
    void LoadUsers(const QString& path);
    void SetWorkspaceSeen(bool seen);
    void SetShowPins(bool show);
    void ApplyTexts(const qtx::LanguageTable& texts);

    bool Modified = false;
};
