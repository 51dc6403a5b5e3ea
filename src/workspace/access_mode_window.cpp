#include "workspace/access_mode_window.h"

#include "base/widgets/application.h"
#include "base/widgets/buttons.h"
#include "base/widgets/fonts.h"
#include "base/widgets/left_shift.h"
#include "lang/language_table.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <utility>

TForm11::TForm11(std::function<void(int)> runAccessMode, QWidget* parent)
    : QDialog(parent),
      runAccessMode_(std::move(runAccessMode))
{
    setFont(qtx::FixedFont(true));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    Label1 = new QLabel(QStringLiteral("WYBIERZ SPOSÓB DOSTĘPU:"), this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(12, 12, 336, 20);
    int top = 44;
    for (auto [button, caption] : {std::pair{&BitBtn3, QStringLiteral("Połącz przez RS-232")},
                                   {&BitBtn1, QStringLiteral("Wybierz lokalny folder")},
                                   {&BitBtn4, QStringLiteral("Nic nie rób")}}) {
        *button = qtx::MakeButton(this);
        (*button)->setText(caption);
        (*button)->setGeometry(12, top, 336, 36);
        top += 44;
    }
    qtx::OnClick(BitBtn3, this, &TForm11::BitBtn3Click);
    qtx::OnClick(BitBtn1, this, &TForm11::BitBtn1Click);
    qtx::OnClick(BitBtn4, this, &TForm11::BitBtn4Click);
    setFixedSize(360, top + 4);
}

void TForm11::ApplyTexts(const qtx::LanguageTable& t)
{
    BitBtn3->setText(t.GetSentence(QStringLiteral("RS-232 CABLE CONNECTION")));
    BitBtn1->setText(t.GetSentence(QStringLiteral("CHOOSE LOCAL DIRECTORY")));
    BitBtn4->setText(t.GetSentence(QStringLiteral("DO NOT CHOOSE")));
}

void TForm11::Choose(int code)
{
    AccessMode = code;
    // The chooser stays on screen until the chosen action returns, even when it fails,
    // so the windows that action opens appear above it.
    const auto close = qScopeGuard([this] { accept(); });
    if (code != DoNothing)
        runAccessMode_(code);
}

void TForm11::BitBtn3Click()
{
    Choose(qtx::LeftShiftHeld() ? RawConsole : ConnectRs232);
}

void TForm11::BitBtn1Click()
{
    Choose(LocalFolder);
}

void TForm11::BitBtn4Click()
{
    Choose(DoNothing);
}
