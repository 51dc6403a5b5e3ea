#include "link/transfer_texts.h"

#include "lang/language_table.h"

namespace qtx {

QString WhyNotStored(const DownloadOutcome& outcome, const LanguageTable& texts)
{
    switch (outcome.refusal) {
    case Refusal::NotAFileName:
        return texts.Lower(QStringLiteral("NOT A FILE NAME"));
    case Refusal::NameTooLong:
        return texts.Lower(QStringLiteral("THE NAME IS TOO LONG FOR A REQUEST"));
    case Refusal::MoreThanAnnounced:
        return texts.Lower(QStringLiteral("THE DEVICE SENT MORE BYTES THAN IT ANNOUNCED")) + QStringLiteral(": ")
               + QString::number(outcome.expected);
    case Refusal::FrameLost:
        if (outcome.expected < 0)
            return texts.Lower(QStringLiteral("FRAME %1 CAME RIGHT AFTER THE FILE HEADER")).arg(outcome.got);
        return texts.Lower(QStringLiteral("FRAME %1 CAME AFTER FRAME %2")).arg(outcome.got).arg(outcome.expected);
    case Refusal::ControlCharacter:
        return texts.Lower(QStringLiteral("THE NAME HOLDS A CONTROL CHARACTER"));
    case Refusal::DeviceSilent:
        return texts.Lower(QStringLiteral("THE DEVICE STOPPED ANSWERING; THE DOWNLOAD WAS ABANDONED"));
    case Refusal::NotAskedFor:
        return texts.Lower(QStringLiteral("NOT ASKED FOR"));
    case Refusal::SameStoredName:
        return texts.Lower(QStringLiteral("ITS NAME IS ALREADY TAKEN BY %1")).arg(outcome.takenBy);
    case Refusal::Incomplete:
        return texts.Lower(QStringLiteral("RECEIVED %1 BYTES OF %2")).arg(outcome.got).arg(outcome.expected);
    case Refusal::NotWritten:
        return texts.Lower(QStringLiteral("THE FILE CANNOT BE WRITTEN")) + QStringLiteral(": ") + outcome.path
               + (outcome.cause.isEmpty() ? QString() : QStringLiteral(": ") + outcome.cause);
    case Refusal::NoTransfer:
    case Refusal::None:
        break;
    }
    return texts.Lower(QStringLiteral("NO TRANSFER IN PROGRESS"));
}

QString NotStoredText(const DownloadOutcome& outcome, const LanguageTable& texts)
{
    return texts.GetSentence(QStringLiteral("FILE NOT SAVED")) + QLatin1Char(' ') + outcome.name + QStringLiteral(" (")
           + WhyNotStored(outcome, texts) + QLatin1Char(')');
}

} // namespace qtx
