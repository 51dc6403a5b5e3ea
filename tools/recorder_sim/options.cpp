#include "options.h"

#include "base/errors.h"

namespace qtx::sim {

namespace {

qint64 ReadNumber(const QString& option, const QString& value, qint64 minimum, qint64 maximum)
{
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok || n < minimum || n > maximum)
        throw FormatError(QStringLiteral("%1 needs a whole number from %2 to %3, not \"%4\"")
                              .arg(option)
                              .arg(minimum)
                              .arg(maximum)
                              .arg(value));
    return n;
}

} // namespace

Options ParseOptions(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments[i];
        QString value;
        bool hasValue = false;
        const qsizetype eq = option.indexOf(QLatin1Char('='));
        if (option.startsWith(QLatin1String("--")) && eq > 0) {
            value = option.mid(eq + 1);
            option = option.left(eq);
            hasValue = true;
        }
        const auto takeValue = [&]() {
            if (hasValue)
                return value;
            if (i + 1 >= arguments.size())
                throw FormatError(QStringLiteral("%1 needs a value").arg(option));
            return arguments[++i];
        };
        const auto noValue = [&]() {
            if (hasValue)
                throw FormatError(QStringLiteral("%1 takes no value").arg(option));
        };
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            noValue();
            options.help = true;
        } else if (option == QLatin1String("--version")) {
            noValue();
            options.version = true;
        } else if (option == QLatin1String("--verbose") || option == QLatin1String("-v")) {
            noValue();
            options.verbose = true;
        } else if (option == QLatin1String("--talk-nmea")) {
            noValue();
            options.talkNmea = true;
        } else if (option == QLatin1String("--card")) {
            options.card = takeValue();
            if (options.card.isEmpty())
                throw FormatError(QStringLiteral("--card needs a folder"));
        } else if (option == QLatin1String("--device-id")) {
            options.settings.deviceId = static_cast<quint8>(ReadNumber(option, takeValue(), 0, 255));
        } else if (option == QLatin1String("--password-ok")) {
            options.settings.passwordOk = ReadNumber(option, takeValue(), 0, 1) == 1;
        } else if (option == QLatin1String("--baud-pace")) {
            options.settings.bitsPerSecond = static_cast<int>(ReadNumber(option, takeValue(), 1, 100'000'000));
        } else if (option == QLatin1String("--fault")) {
            options.settings.faults = ParseFaultList(takeValue(), options.settings.faults);
        } else if (option == QLatin1String("--seed")) {
            options.settings.faults.seed =
                static_cast<quint64>(ReadNumber(option, takeValue(), 0, 0x7FFFFFFFFFFFFFFFLL));
        } else if (option == QLatin1String("--com")) {
            options.com = static_cast<int>(ReadNumber(option, takeValue(), 1, 999999));
        } else {
            throw FormatError(QStringLiteral("unknown argument \"%1\"").arg(arguments[i]));
        }
    }
    if (!options.help && !options.version && options.card.isEmpty())
        throw FormatError(QStringLiteral("--card DIR is required"));
    return options;
}

QString HelpText()
{
    return QStringLiteral(
               "Usage: qtx-recorder-sim --card DIR [--device-id N] [--password-ok 0|1] [--com N]\n"
               "                        [--baud-pace RATE] [--fault LIST] [--seed N] [--talk-nmea]\n"
               "                        [--verbose]\n"
               "\n"
               "A simulated QTX-2 recorder. It opens a pseudo-terminal, prints two lines on standard\n"
               "output and answers the manager on that terminal, serving DIR as its SD card:\n"
               "  /dev/pts/4\n"
               "  QTX_COM99=/dev/pts/4\n"
               "The first line is the terminal, the second the environment setting that makes it the\n"
               "manager's port COM99 (export it before starting qtx-manager or qtxctl).\n"
               "\n"
               "It answers the list request with the names of DIR's files, sends a file on a get-file\n"
               "request (file header, then frames of at most 512 bytes, each after the manager's \"{\";\n"
               "the last frame again on \"d\"; stops on \"B\"; an empty file is a header announcing 0\n"
               "bytes), deletes a file on a delete request and stores an uploaded file once all of it\n"
               "has arrived (atomically: the old file stays whole until then). Names with \"/\", \"\\\"\n"
               "or \"..\" are refused in all four. A request it cannot serve (no such file, a refused\n"
               "name) gets no answer; a refused upload gets \"d\".\n"
               "\n"
               "It runs until SIGTERM or SIGINT and keeps serving when the manager closes the port and\n"
               "opens it again (a transfer in progress is then forgotten).\n"
               "\n"
               "Its own timing: a \"d\" that comes less than %1 ms after a frame went out crossed that\n"
               "frame on the line and is not answered (the manager asks again only after 40 ms of\n"
               "silence); a request or upload frame broken off for %2 ms is dropped (an upload frame\n"
               "is then asked for again with \"d\", as is one whose length fails its check byte, once\n"
               "the line is quiet); an upload with no frame for %3 s is given up.\n"
               "\n"
               "Options:\n"
               "  --card DIR          folder served as the SD card (required)\n"
               "  --device-id N       device ID byte of replies and file headers, 0-255 (default 1)\n"
               "  --password-ok 0|1   password flag byte of replies and file headers (default 1)\n"
               "  --com N             the N of the printed QTX_COMN line (default 99)\n"
               "  --baud-pace RATE    send and take in bytes no faster than RATE bit/s, 10 bits a\n"
               "                      byte (115200 gives 11520 bytes/s), so transfers take the time\n"
               "                      they take on a real cable; without it, as fast as possible\n"
               "  --fault LIST        inject line faults (below); may be given more than once\n"
               "  --seed N            seed of the faults (default 1): the same seed and the same\n"
               "                      manager give the same faults\n"
               "  --talk-nmea         be no recorder: a GPS receiver that sends an NMEA sentence\n"
               "                      every 100 ms whatever it is sent (the wrong device on the port)\n"
               "  --verbose, -v       log every request, frame, resend, refusal and fault on\n"
               "                      standard error\n"
               "  --help, -h          this text\n"
               "  --version           the version, then exit\n"
               "\n"
               "Faults: LIST is comma-separated KIND=N items, N meaning \"1 in N\" (1 = every time,\n"
               "0 = never), each kind drawn from its own generator seeded by --seed:\n"
               "  corrupt=N      one byte of a data frame flipped: 1 in N download frames sent\n"
               "                 (a resent frame is drawn anew), and 1 in N good upload frames\n"
               "                 received are taken as corrupted and answered with \"d\"\n"
               "  lose-ack=N     1 in N \"{\" answers during a download ignored, so the manager must\n"
               "                 time out and send \"d\"\n"
               "  duplicate=N    1 in N download frames sent twice in a row; the next frame goes\n"
               "                 after a \"{\" for each copy (or a \"d\"). Never the last frame of a\n"
               "                 file: the manager is done after its first copy and the second\n"
               "                 would reach it in front of the next file's header\n"
               "  silence=N      1 in N download frames held back for silence-ms before they go out\n"
               "  silence-ms=MS  length of that silence, in milliseconds (default 150; the manager\n"
               "                 asks again after 20 silent 2 ms runs, so 100 or more is felt)\n"
               "  skip=N         1 in N download frames never sent: the recorder goes on to the next\n"
               "                 one, so the manager can never have the file whole. Never the last\n"
               "                 frame of a file\n"
               "Example: --fault corrupt=50,lose-ack=50,duplicate=20,silence=30,silence-ms=150 --seed 7\n"
               "List replies, file headers and single-byte answers are never faulted.\n"
               "\n"
               "Exit status: 0 after SIGTERM/SIGINT, --help or --version, 1 when the terminal or DIR cannot be\n"
               "used, 2 for a wrong command line.\n")
        .arg(kCrossingMs)
        .arg(kFrameGapMs)
        .arg(kUploadIdleMs / 1000);
}

} // namespace qtx::sim
