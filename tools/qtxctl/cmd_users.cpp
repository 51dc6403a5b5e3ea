// qtxctl users: the workspace's user list, one record per line, for scripts and exports.

#include "arguments.h"
#include "commands.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "users/user.h"

#include <cstdio>

namespace qtxctl {

namespace {

const char* const UsersHelp =
    "usage: qtxctl users [--show-pins] [--json] WORKSPACE_DIR\n"
    "\n"
    "Reads WORKSPACE_DIR/USERS.txt and prints one line per record, in file order, with the\n"
    "fields separated by a TAB (IDs and names decoded from code page 1250 to UTF-8):\n"
    "\n"
    "  ID<TAB>KIND<TAB>CARD<TAB>CARDTEXT<TAB>PIN<TAB>NAME\n"
    "\n"
    "KIND is a (administrator), u (user) or the kind byte as two hex digits; CARD is the card\n"
    "number in decimal (0 = no card); CARDTEXT the facility code and short number as the user\n"
    "manager shows them (012,00345); PIN is empty without a PIN, else EXISTS.\n"
    "\n"
    "Options:\n"
    "  --show-pins   print the PIN digits instead of EXISTS\n"
    "  --json        one JSON object per record instead, with the same fields:\n"
    "                {\"id\": \"0012\", \"kind\": \"u\", \"card\": 786777, \"cardText\": \"012,00345\",\n"
    "                 \"pin\": \"EXISTS\", \"name\": \"...\"}\n"
    "\n"
    "Exit status: 0 done, 1 the workspace folder or its user list could not be read,\n"
    "2 wrong arguments.\n";

QString KindText(std::uint8_t kind)
{
    if (kind == qtx::KindAdministrator || kind == qtx::KindUser)
        return QString(QLatin1Char(static_cast<char>(kind)));
    return QStringLiteral("%1").arg(kind, 2, 16, QLatin1Char('0'));
}

} // namespace

int RunUsers(const QStringList& arguments)
{
    bool showPins = false;
    bool json = false;
    const Command command{
        .name = QStringLiteral("users"),
        .help = QLatin1String(UsersHelp),
        .options = {{.name = "--show-pins", .take = Sets(showPins)}, {.name = "--json", .take = Sets(json)}},
        .positional = {QStringLiteral("WORKSPACE_DIR")}};
    const Parsed parsed = Parse(command, arguments);
    if (parsed.status >= 0)
        return parsed.status;
    const QString& workspace = parsed.positional[0];
    if (!CheckWorkspaceFolder(command.name, workspace))
        return 1;

    qtx::UserList users;
    try {
        users = qtx::ReadUserFile(qtx::WithTrailingChar(workspace, QLatin1Char('/')) + qtx::UserFileName);
    } catch (const qtx::Error& e) {
        Say(command.name, e.message());
        return 1;
    }
    QByteArray out;
    for (const qtx::CUser& u : users) {
        const QByteArray pin = u.pin.isEmpty() ? QByteArray() : showPins ? u.pin : QByteArray("EXISTS");
        if (json) {
            PrintJsonLine({{QStringLiteral("id"), qtx::FromCp1250(u.id)},
                           {QStringLiteral("kind"), KindText(u.kind)},
                           {QStringLiteral("card"), qint64(u.card)},
                           {QStringLiteral("cardText"), u.CardText()},
                           {QStringLiteral("pin"), QString::fromLatin1(pin)},
                           {QStringLiteral("name"), qtx::FromCp1250(u.name)}});
            continue;
        }
        const QString line = Printable(qtx::FromCp1250(u.id)) + QLatin1Char('\t') + KindText(u.kind) + QLatin1Char('\t')
                             + QString::number(u.card) + QLatin1Char('\t') + u.CardText() + QLatin1Char('\t')
                             + QLatin1String(pin) + QLatin1Char('\t') + Printable(qtx::FromCp1250(u.name))
                             + QLatin1Char('\n');
        out += line.toUtf8();
    }
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
    return 0;
}

} // namespace qtxctl
