#pragma once
// The language table: every interface text, looked up by its English key in the current column.

#include <QList>
#include <QString>
#include <QStringList>

namespace qtx {

enum LanguageColumn { English = 0, Polish = 1 };

// Splits one line of lang.txt into its fields: "#" starts a comment, TAB ends a field,
// runs of TABs are one separator, "*NULL*" is an empty text, a last field without TAB counts.
QStringList ParseLanguageLine(const QString& line);

// The first of folder + "lang.txt" that exists, in the order given; empty when none does.
QString FindLanguageFile(const QStringList& folders);

// Records of lang.txt and the column in use.
class LanguageTable {
public:
    // Empty table, column 0.
    void Reset();
    // Appends one record per line of the file; a missing file appends nothing.
    void LoadLanguageFile(const QString& path);
    // Appends one record per line of the file's bytes (code page 1250).
    void LoadLanguageBytes(const QByteArray& bytes);
    // Appends one record per line of text already decoded (for tests and tools).
    void LoadLanguageText(const QString& text);

    int LanguageIndex() const { return index_; }
    void SetLanguageIndex(int index) { index_ = index; }

    // The field at the column of the first record holding the key in any field; "{key}" when none does.
    // A record holding the key without that column raises ListIndexError.
    QString FindText(const QString& key, int column) const;
    QString GetText(const QString& key) const { return FindText(key, index_); }
    // First character as stored, the rest in lower case.
    QString GetSentence(const QString& key) const { return SentenceCase(GetText(key)); }
    QString Lower(const QString& key) const { return GetText(key).toLower(); }
    QString Upper(const QString& key) const { return GetText(key).toUpper(); }

    static QString SentenceCase(const QString& text);

    qsizetype RecordCount() const { return records_.size(); }

private:
    QList<QStringList> records_;
    int index_ = 0;
};

} // namespace qtx
