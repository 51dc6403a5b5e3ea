#include "lang/language_table.h"

#include "base/errors.h"
#include "base/text_file.h"

#include <QFileInfo>

namespace qtx {

QStringList ParseLanguageLine(const QString& line)
{
    QStringList fields;
    QStringView rest(line);
    const qsizetype hash = rest.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        rest = rest.left(hash);
    while (!rest.isEmpty()) {
        if (rest.front() == QLatin1Char('\t')) {
            rest = rest.mid(1);
            continue;
        }
        qsizetype tab = rest.indexOf(QLatin1Char('\t'));
        if (tab < 0)
            tab = rest.size();
        const QStringView field = rest.left(tab);
        fields.append(field == QLatin1String("*NULL*") ? QString() : field.toString());
        rest = rest.mid(tab);
    }
    return fields;
}

QString FindLanguageFile(const QStringList& folders)
{
    for (const QString& folder : folders) {
        QString path = folder + QStringLiteral("lang.txt");
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

void LanguageTable::Reset()
{
    records_.clear();
    index_ = 0;
}

void LanguageTable::LoadLanguageFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return;
    LoadLanguageBytes(ReadWholeFile(path));
}

void LanguageTable::LoadLanguageBytes(const QByteArray& bytes)
{
    // Decoded in one piece: CR and LF are single bytes in code page 1250, so the lines are the same.
    LoadLanguageText(FromCp1250(bytes));
}

void LanguageTable::LoadLanguageText(const QString& text)
{
    for (const QByteArray& line : SplitLines(text.toUtf8()))
        records_.append(ParseLanguageLine(QString::fromUtf8(line)));
}

QString LanguageTable::FindText(const QString& key, int column) const
{
    for (const QStringList& record : records_) {
        if (!record.contains(key))
            continue;
        if (column < 0 || column >= record.size())
            throw ListIndexError(column);
        return record.at(column);
    }
    return QLatin1Char('{') + key + QLatin1Char('}');
}

QString LanguageTable::SentenceCase(const QString& text)
{
    if (text.isEmpty())
        return text;
    return text.left(1) + text.mid(1).toLower();
}

} // namespace qtx
