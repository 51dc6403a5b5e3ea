// Arbitrary bytes as a lang.txt: every line becomes one record whose fields hold neither a TAB
// nor a "#"; a lookup answers with a field, the braced key, or a list-index error, never worse.

#include "base/errors.h"
#include "base/text_file.h"
#include "lang/language_table.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Looks a key up in one column; a record too short for the column is a list-index error.
void LookUp(const qtx::LanguageTable& table, const QString& key, int column)
{
    try {
        const QString text = table.FindText(key, column);
        Check(!text.contains(QLatin1Char('\t')));
    } catch (const qtx::ListIndexError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qtx::LanguageTable table;
    table.LoadLanguageBytes(bytes);
    const QList<QByteArray> lines = qtx::SplitLines(qtx::FromCp1250(bytes).toUtf8());
    Check(table.RecordCount() == lines.size());

    // Lookups walk every record, so only the keys of the first lines are tried.
    constexpr qsizetype KeyLines = 8;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]);
        const QStringList fields = qtx::ParseLanguageLine(line);
        Check(fields.size() <= line.size());
        for (const QString& field : fields)
            Check(!field.contains(QLatin1Char('\t')) && !field.contains(QLatin1Char('#'))
                  && field != QLatin1String("*NULL*"));
        if (i >= KeyLines)
            continue;
        for (const QString& key : fields) {
            for (int column : {0, 1, 2})
                LookUp(table, key, column);
        }
    }

    // No field can hold a "#", so such a key is always missing and shows braced in any form.
    table.SetLanguageIndex(qtx::Polish);
    Check(table.GetText(QStringLiteral("#")) == QLatin1String("{#}"));
    Check(table.GetSentence(QStringLiteral("A#B")) == QLatin1String("{a#b}"));
    return 0;
}
