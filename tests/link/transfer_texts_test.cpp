// The wording of a download that was not stored (each reason with its figures in their places) and
// of a port that did not open (the port and its device named once each).

#include "lang/language_table.h"
#include "link/com_socket.h"
#include "link/transfer_texts.h"

#include <QTest>

using namespace qtx;

class TransferTextsTest : public QObject {
    Q_OBJECT

private slots:
    void eachReasonWithItsFigures()
    {
        LanguageTable texts; // no file: every text is its key in braces
        const QList<std::pair<Refusal, QString>> cases{
            {Refusal::NotAFileName, "{not a file name}"},
            {Refusal::NameTooLong, "{the name is too long for a request}"},
            {Refusal::MoreThanAnnounced, "{the device sent more bytes than it announced}: 20"},
            {Refusal::FrameLost, "{frame 7 came after frame 20}"},
            {Refusal::Incomplete, "{received 7 bytes of 20}"},
            {Refusal::NotWritten, "{the file cannot be written}: /card/A.TXT"},
            {Refusal::NoTransfer, "{no transfer in progress}"},
        };
        for (const auto& [refusal, why] : cases) {
            DownloadOutcome outcome;
            outcome.name = "A.TXT";
            outcome.path = "/card/A.TXT";
            outcome.refusal = refusal;
            outcome.got = 7;
            outcome.expected = 20;
            QCOMPARE(NotStoredText(outcome, texts), "{file not saved} A.TXT (" + why + ')');
        }
        // A failed save names its cause.
        DownloadOutcome full;
        full.name = "A.TXT";
        full.path = "/card/A.TXT";
        full.refusal = Refusal::NotWritten;
        full.cause = "brak miejsca na dysku";
        QCOMPARE(WhyNotStored(full, texts),
                 QString("{the file cannot be written}: /card/A.TXT: brak miejsca na dysku"));
    }

    void portFailureNamesPortAndDevice()
    {
        LanguageTable texts;
        const QString missing = "{the port's device does not exist}.";
        TCOMSocket port;
        QCOMPARE(PortFailureText("COM5", port, texts), QString()); // no failure, nothing to say
        QVERIFY(!OpenLink(port, "/nonexistent/ttyUSB9", 1));
        const QList<std::pair<QString, QString>> cases{
            {"", missing},
            {"/nonexistent/ttyUSB9", "/nonexistent/ttyUSB9: " + missing},
            {"COM5", "COM5 (/nonexistent/ttyUSB9): " + missing},
        };
        for (const auto& [name, text] : cases)
            QCOMPARE(PortFailureText(name, port, texts), text);
    }
};

QTEST_APPLESS_MAIN(TransferTextsTest)
#include "transfer_texts_test.moc"
