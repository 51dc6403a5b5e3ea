// Arbitrary bytes as a USERS.txt: the reader, the writer and reading the written image back,
// then the manager's filter, order and lines and the editor's list operations on the records.

#include "base/text_file.h"
#include "users/user.h"
#include "users/user_list.h"
#include "users/user_view.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsDigits(const QByteArray& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    qtx::UserList users = qtx::ParseUserBytes(bytes);
    Check(users.size() <= size / 13);

    const QByteArray image = qtx::UserFileBytes(users);
    qsizetype expectedSize = 0;
    bool nameWithCr = false;
    for (const qtx::CUser& u : users) {
        Check(u.id.size() == 4 && IsDigits(u.pin));
        Check(u.CardText().size() == 9);
        expectedSize += 14 + u.pin.size() + 1 + u.name.size() + 2;
        nameWithCr = nameWithCr || u.name.contains('\r');
    }
    Check(image.size() == expectedSize);
    // Written records read back as they were; only a CR kept inside a name can change that.
    const qtx::UserList again = qtx::ParseUserBytes(image);
    if (!nameWithCr)
        Check(again == users);

    if (users.empty())
        return 0;
    const QString search = qtx::FromCp1250(users.front().name.left(3));
    for (int category = 0; category < 4; ++category) {
        const qtx::ViewFilter filter{true, static_cast<qtx::FilterCategory>(category), search};
        int last = 0;
        std::vector<qsizetype> shown = qtx::FilterUsers(users, filter, [&last](int percent) {
            Check(percent > last && percent <= 100);
            last = percent;
        });
        Check(std::is_sorted(shown.begin(), shown.end()));
        qtx::SortView(users, shown, category % 2 ? qtx::SortOrder::ById : qtx::SortOrder::ByName, qtx::UserCollator());
        for (const qsizetype i : shown)
            Check(qtx::UserLine(users[static_cast<std::size_t>(i)], category == 1, QStringLiteral("EXISTS")).size()
                  >= qtx::UserLineColumns[qtx::NameColumn]);
    }

    const qsizetype last = static_cast<qsizetype>(users.size()) - 1;
    Check(qtx::IndexOfId(users, users[static_cast<std::size_t>(last)].id) <= last);
    const qsizetype cardOwner = qtx::FindCardOwner(users, QString::number(users.front().card), last);
    Check(cardOwner == -1 || users[static_cast<std::size_t>(cardOwner)].card == users.front().card);
    const qsizetype pinOwner = qtx::FindPinOwner(users, users.front().pin, -1);
    Check(users.front().pin.isEmpty() ? pinOwner == -1 : pinOwner == 0);
    const QString freeId = qtx::FindFreeId(users);
    Check(freeId.isEmpty() || qtx::IndexOfId(users, freeId.toLatin1()) == -1);
    qtx::SetPinForId(users, last, "42");
    Check(users[static_cast<std::size_t>(last)].pin == "42");
    return 0;
}
