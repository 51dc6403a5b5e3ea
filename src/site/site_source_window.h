#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class TForm5;

namespace qtx {
class LanguageTable;
}

// TSiteSource, the site archive's place on the archive window's file panel: a choice of all
// doors or one, a button that shows it in the calendar, and the import of the shown card folder.
// The archive window's own controls stay as they are.
class TSiteSource : public QWidget {
public:
    explicit TSiteSource(TForm5* archive);

    void ApplyTexts(const qtx::LanguageTable& texts);
    // Reads the doors of the site archive into the choice; an archive not yet created has none.
    void FillDoors();
    // Shows the chosen doors in the archive window's calendar.
    void Button1Click();
    // Imports the archive window's card folder as the door named by its device ID.
    void Button2Click();

    QLabel* Label1 = nullptr;       // "Site archive" caption
    QComboBox* ComboBox1 = nullptr; // the doors of the site archive
    QPushButton* Button1 = nullptr; // open
    QPushButton* Button2 = nullptr; // import this card

    QString AllDoorsText = QStringLiteral("{ALL DOORS}");
    QString ImportedText = QStringLiteral("{EVENTS ADDED}");
    QString RewrittenText = QStringLiteral("{REWRITTEN}");

protected:
    void showEvent(QShowEvent* event) override;

private:
    TForm5* Archive;
};
