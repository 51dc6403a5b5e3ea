#pragma once

#include <QDialog>
#include <optional>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QModelIndex;
class QPushButton;
class QTimer;
class QTreeView;

namespace qtx {
class LanguageTable;
}

// TForm6, the SD-card folder chooser: a volume selector above a directory tree.
class TForm6 : public QDialog {
public:
    explicit TForm6(QWidget* parent = nullptr);

    void ApplyTexts(const qtx::LanguageTable& texts);
    // Shows the chooser until closed; the folder chosen, or nothing when cancelled.
    std::optional<QString> ChooseFolder();
    // The folder downloads go to; once it exists the drive list offers it by name, since the tree
    // shows no hidden folders and it lies under one (~/.local/share).
    void SetDownloadFolder(const QString& folder);
    // The folder opened in the tree (selected by click or keyboard); the accept button takes this one.
    QString CurrentDirectory() const { return currentDirectory_; }
    void OpenDirectory(const QString& path);
    void Button2Click();
    void Button1Click();

    bool Cancelled = true;
    QString ChosenDirectory;

    QComboBox* DriveComboBox1 = nullptr;    // drives and mount points
    QTreeView* DirectoryListBox1 = nullptr; // folders
    QLabel* Label1 = nullptr;               // the current folder
    QPushButton* Button1 = nullptr;         // cancel
    QPushButton* Button2 = nullptr;         // set as SD card

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FolderSelected(const QModelIndex& index);
    void HighlightChosenFolder();
    void FillVolumes();
    void VolumeChosen(int index);
    void ArrangeControls();

    QFileSystemModel* model_ = nullptr;
    QString currentDirectory_;
    QTimer* highlightTimer_ = nullptr; // puts the highlight back on the chosen folder
    QString downloadFolder_;
    QString downloadText_;
};

using FolderChooserWindow = TForm6; // the name new code may use
