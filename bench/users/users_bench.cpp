// A site with 20,000 card records: reading USERS.txt, the user manager's view with the filter
// on and sorted by name (the core alone and the window), writing the list back, and the memory
// the records take.

#include "base/text_file.h"
#include "users/user.h"
#include "users/user_list_model.h"
#include "users/user_manager_window.h"
#include "users/user_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>

namespace {

constexpr int Records = 20000;
constexpr int People = 9000; // up to 9999 IDs exist, so many people hold several cards

// The site: 9,000 people, a third of them with further cards, Polish names, most with a PIN.
struct Site {
    QTemporaryDir dir;
    QString folder;
    QByteArray image;

    Site()
    {
        const QStringList first{"Anna",      "Piotr",  "Marta",     "Tomasz",     "Ewa",       "Jan",
                                "Łukasz",    "Zofia",  "Krzysztof", "Małgorzata", "Agnieszka", "Paweł",
                                "Żaneta",    "Michał", "Katarzyna", "Andrzej",    "Barbara",   "Grzegorz",
                                "Joanna",    "Marcin", "Dorota",    "Stanisław",  "Elżbieta",  "Wojciech",
                                "Magdalena", "Rafał",  "Iwona",     "Jerzy",      "Beata",     "Zbigniew"};
        const QStringList last{
            "Kowalska",  "Nowak",     "Wiśniewski", "Zieliński", "Lewandowska", "Kamiński",  "Żak",        "Wójcik",
            "Szymańska", "Dąbrowski", "Kozłowska",  "Jankowski", "Mazur",       "Krawczyk",  "Piotrowska", "Grabowski",
            "Pawłowska", "Michalski", "Król",       "Wieczorek", "Jabłońska",   "Wróbel",    "Nowakowski", "Majewska",
            "Olszewski", "Stępień",   "Malinowska", "Jaworski",  "Adamczyk",    "Dudek",     "Nowicka",    "Pawlak",
            "Górski",    "Witkowska", "Walczak",    "Sikora",    "Baran",       "Rutkowska", "Michalak",   "Szewczyk"};
        QRandomGenerator random(2025);
        qtx::UserList users;
        users.reserve(Records);
        for (int i = 0; i < Records; ++i) {
            const int person = i < People ? i : static_cast<int>(random.bounded(People));
            QRandomGenerator personal(static_cast<quint32>(person));
            qtx::CUser u;
            u.id = QByteArray::number(person + 1).rightJustified(4, '0');
            u.card = (12 + person % 4) * 65536 + random.bounded(65536);
            u.kind = person % 97 == 0 ? 'a' : 'u';
            if (person % 5 != 0)
                u.pin = QByteArray::number(personal.bounded(1000, 9999999));
            // Full names with a middle initial: nearly every person's name is their own.
            u.name = qtx::ToCp1250(first[personal.bounded(static_cast<int>(first.size()))] + QLatin1Char(' ')
                                   + QChar(u'A' + personal.bounded(26)) + QStringLiteral(". ")
                                   + last[personal.bounded(static_cast<int>(last.size()))]);
            users.push_back(std::move(u));
        }
        folder = dir.path() + QLatin1Char('/');
        qtx::WriteUserFile(users, folder);
        image = qtx::ReadWholeFile(Path());
    }
    QString Path() const { return folder + qtx::UserFileName; }
};

Site& TheSite()
{
    static Site site;
    return site;
}

const qtx::ViewFilter Filter{true, qtx::FilterCategory::Name, QStringLiteral("ski")};

void BM_ReadUserFile(benchmark::State& state)
{
    const Site& site = TheSite();
    for (auto _ : state)
        benchmark::DoNotOptimize(qtx::ReadUserFile(site.Path()).size());
    state.counters["records"] = Records;
    state.counters["file_bytes"] = static_cast<double>(site.image.size());
}
BENCHMARK(BM_ReadUserFile)->Unit(benchmark::kMillisecond);

// The records' heap as the allocator counts it, and the bytes the record fields hold.
void BM_RecordMemory(benchmark::State& state)
{
    const Site& site = TheSite();
    for (auto _ : state) {
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        auto* users = new qtx::UserList(qtx::ParseUserBytes(site.image));
        const std::size_t after = mallinfo2().uordblks;
        std::size_t fields = users->capacity() * sizeof(qtx::CUser);
        for (const qtx::CUser& u : *users)
            fields += static_cast<std::size_t>(u.id.capacity() + u.pin.capacity() + u.name.capacity());
        state.counters["heap_bytes"] = static_cast<double>(after - before);
        state.counters["field_bytes"] = static_cast<double>(fields);
        state.counters["heap_bytes_per_record"] = static_cast<double>(after - before) / Records;
        delete users;
    }
}
BENCHMARK(BM_RecordMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// The core of a rebuild: the list model filters by name and sorts by name, then every line is
// formatted (a view asks only for the lines it shows).
void BM_ViewCore(benchmark::State& state)
{
    const qtx::UserList users = qtx::ParseUserBytes(TheSite().image);
    const QCollator collator = qtx::UserCollator();
    qtx::UserListModel model(users);
    model.SetPinDisplay(false, QStringLiteral("EXISTS"));
    for (auto _ : state) {
        model.Rebuild(Filter, qtx::SortOrder::ByName, collator);
        for (int row = 0; row < model.rowCount(); ++row)
            benchmark::DoNotOptimize(model.data(model.index(row)));
    }
    state.counters["shown"] = static_cast<double>(model.rowCount());
}
BENCHMARK(BM_ViewCore)->Unit(benchmark::kMillisecond);

// Sorting alone, all records, by name and by ID.
void BM_SortAll(benchmark::State& state)
{
    const qtx::UserList users = qtx::ParseUserBytes(TheSite().image);
    const QCollator collator = qtx::UserCollator();
    const auto order = state.range(0) == 0 ? qtx::SortOrder::ByName : qtx::SortOrder::ById;
    for (auto _ : state) {
        std::vector<qsizetype> view = qtx::FilterUsers(users, {});
        qtx::SortView(users, view, order, collator);
        benchmark::DoNotOptimize(view.data());
    }
}
BENCHMARK(BM_SortAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The window shown with the filter on and sorted by name: RebuildView with its progress bar
// and the list model's reset, then UpdateCounts, and the list painting its lines, as a change
// of the search text runs them.
void BM_RebuildViewWindow(benchmark::State& state)
{
    TForm3 form;
    form.AllUsers = qtx::ParseUserBytes(TheSite().image);
    form.RadioButton1->setChecked(true);
    form.CheckBox1->setChecked(true);
    form.Edit1->setText(Filter.text);
    form.show();
    QApplication::processEvents();
    for (auto _ : state) {
        form.RebuildView();
        form.UpdateCounts();
        QApplication::processEvents();
    }
    state.counters["shown"] = static_cast<double>(form.Lines->rowCount());
}
BENCHMARK(BM_RebuildViewWindow)->Unit(benchmark::kMillisecond);

void BM_WriteUserFile(benchmark::State& state)
{
    const qtx::UserList users = qtx::ParseUserBytes(TheSite().image);
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    for (auto _ : state)
        qtx::WriteUserFile(users, folder);
}
BENCHMARK(BM_WriteUserFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TheSite();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
