#include "link/transfer_texts.h"

#include "lang/language_table.h"

#include <cstring>

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

QString PortFailureText(const QString& name, const TCOMSocket& port, const LanguageTable& texts)
{
    QString reason;
    switch (port.Problem()) {
    case PortProblem::None:
        return {};
    case PortProblem::NotAName:
        reason = texts.GetSentence(QStringLiteral("NO PORT HAS BEEN CHOSEN"));
        break;
    case PortProblem::NoDevice:
        reason = texts.GetSentence(QStringLiteral("NO DEVICE IS ASSIGNED TO THIS PORT NAME"));
        break;
    case PortProblem::Missing:
        reason = texts.GetSentence(QStringLiteral("THE PORT'S DEVICE DOES NOT EXIST"));
        break;
    case PortProblem::Permission:
        reason = texts.GetSentence(QStringLiteral("NO PERMISSION TO OPEN THE PORT")) + QStringLiteral(". ")
                 + texts.GetSentence(QStringLiteral("ADD YOUR USER TO THE DIALOUT GROUP, THEN LOG IN AGAIN"));
        break;
    case PortProblem::Busy:
        reason = texts.GetSentence(QStringLiteral("THE PORT IS BUSY: ANOTHER PROGRAM HOLDS IT"));
        break;
    case PortProblem::NotSerial:
        reason = texts.GetSentence(QStringLiteral("THE DEVICE IS NOT A SERIAL PORT"));
        break;
    case PortProblem::Other:
        reason = texts.GetSentence(QStringLiteral("THE PORT CANNOT BE OPENED")) + QStringLiteral(" (")
                 + QString::fromLocal8Bit(std::strerror(port.SystemError())) + QLatin1Char(')');
        break;
    case PortProblem::NameNotFound:
        reason = texts.GetSentence(QStringLiteral("THE HOST NAME WAS NOT FOUND"));
        break;
    case PortProblem::ConnectionRefused:
        reason = texts.GetSentence(QStringLiteral("THE SERVER REFUSED THE CONNECTION"));
        break;
    case PortProblem::HostUnreachable:
        reason = texts.GetSentence(QStringLiteral("THE HOST CANNOT BE REACHED"));
        break;
    case PortProblem::ServerClosed:
        reason = texts.GetSentence(QStringLiteral("THE SERVER CLOSED THE CONNECTION"));
        break;
    case PortProblem::SettingsRefused:
        reason = texts.GetSentence(QStringLiteral("THE SERVER REFUSED THE PORT SETTINGS"));
        break;
    }
    const QString device = port.Device();
    const QString which = name.isEmpty() ? QString()
                          : device.isEmpty() || device == name
                              ? name + QStringLiteral(": ")
                              : name + QStringLiteral(" (") + device + QStringLiteral("): ");
    return which + reason + QLatin1Char('.');
}

} // namespace qtx
