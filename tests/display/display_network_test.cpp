// The COM chooser on a real X server with a network port from the user's ports file: it lists
// the port with its address and description, and the OK button downloads the demo card through
// the real ser2net as through a cable.

#include "app/main_window.h"
#include "base/paths.h"
#include "display/x_input.h"
#include "link/link_controller.h"
#include "link/port_chooser_window.h"
#include "link/progress_window.h"
#include "support/forms_fixture.h"
#include "support/recorder_sim_process.h"
#include "support/ser2net_process.h"
#include "workspace/access_mode_window.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

using namespace qtx;
using namespace qtx::test;

class DisplayNetworkTest : public QObject {
    Q_OBJECT

private slots:
    void theComChooserDownloadsTheDemoCardThroughANetworkPort()
    {
        QVERIFY(QGuiApplication::platformName() == QLatin1String("xcb"));
        QTemporaryDir card;
        for (const QString& name : QDir(QStringLiteral(QTX_DEMO_CARD)).entryList(QDir::Files))
            QVERIFY(QFile::copy(QStringLiteral(QTX_DEMO_CARD "/") + name, card.filePath(name)));
        RecorderSimProcess sim(QStringLiteral(QTX_RECORDER_SIM), card.path(), 170);
        QVERIFY(!sim.Port().isEmpty());
        const QString device = qEnvironmentVariable(("QTX_" + sim.Port()).toLatin1().constData());
        qunsetenv(("QTX_" + sim.Port()).toLatin1().constData());
        Ser2netProcess server(device, QStringLiteral("telnet(rfc2217)"));
        QVERIFY(server.Listening());

        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QVERIFY(QDir().mkpath(config.filePath("qtx-manager")));
        QFile ports(config.filePath("qtx-manager/ports.conf"));
        QVERIFY(ports.open(QIODevice::WriteOnly));
        ports.write(QStringLiteral("COM140 = %1  Drzwi magazynu\n").arg(server.Url()).toUtf8());
        ports.close();
        const QString folder = DownloadDir();
        QDir(folder).removeRecursively();

        Forms forms;
        ScriptedDialogs dialogs;
        XInput x;
        QString listed;
        OnNextModal([&](QWidget*) {
            const int row = Form14->ComboBox1->findText(QStringLiteral("COM140  "), Qt::MatchStartsWith);
            listed = Form14->ComboBox1->itemText(row);
            Form14->ComboBox1->setCurrentIndex(row);
            x.Click(Form14->Button1);
        });
        Form1->RunAccessMode(TForm11::ConnectRs232);
        QCOMPARE(listed, QStringLiteral("COM140  %1  Drzwi magazynu").arg(server.Url()));
        QTRY_VERIFY_WITH_TIMEOUT(Form1->Card.IsOpen(), 40000);
        for (const QString& name : QDir(card.path()).entryList(QDir::Files)) {
            QFile a(card.filePath(name));
            QFile b(folder + QLatin1Char('/') + name);
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
        }
        QVERIFY(dialogs.errors.isEmpty());
        QVERIFY(!Form1->Link->Port().IsOpen());
        QDir(folder).removeRecursively();
    }
};

QTX_GUI_TEST_MAIN(DisplayNetworkTest)
#include "display_network_test.moc"
