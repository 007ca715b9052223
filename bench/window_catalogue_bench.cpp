// Saving and opening a large catalogue through the main window's commands (offscreen, with the
// disabled window, progress bar, status texts and message pumping) against the core's own Save
// and Load of the same catalogue in the same run. See bench/README.md.
#include "cataloguegen.h"

#include "widgets/interaction.h"
#include "app/ufrmShelvix.h"
#include "catalogue/mediaclasses.h"

#include <QAction>
#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The user of the benchmark: answers every file dialog with one name and collects messages.
class TBenchAnswers final : public TInteraction {
public:
    QString FileName;
    QStringList Messages;
    TModalResult MessageBox(QWidget*, const QString&, const QString& text,
                            TMessageButtons buttons) override {
        Messages << text;
        return buttons == TMessageButtons::Ok ? mrOk : mrNo;
    }
    int Choose(QWidget*, const QString&, const QString& text, const QStringList& answers) override {
        Messages << text;
        return int(answers.size()) - 1;
    }
    QString OpenFileName(QWidget*, const TFileDialogSpec&) override { return FileName; }
    QString SaveFileName(QWidget*, const TFileDialogSpec&) override { return FileName; }
    QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return {}; }
    bool OpenDocument(const QString&) override { return false; }
};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "window_catalogue_bench: %s\n", what.c_str());
    std::exit(1);
}

double Clock(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Samples {
    std::vector<double> wall, cpu;
};

template <typename F> void Time(Samples& s, F&& step) {
    const double wall = Clock(CLOCK_MONOTONIC), cpu = Clock(CLOCK_PROCESS_CPUTIME_ID);
    step();
    s.wall.push_back(Clock(CLOCK_MONOTONIC) - wall);
    s.cpu.push_back(Clock(CLOCK_PROCESS_CPUTIME_ID) - cpu);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void Row(const char* what, const Samples& ours, const Samples& core) {
    std::printf("%-8s %10.2f %10.2f %8.3f %10.2f %10.2f %8.3f %10.2f %10.2f %8.3f\n", what,
                Median(ours.wall), Median(core.wall), Median(ours.wall) / Median(core.wall),
                Best(ours.wall), Best(core.wall), Best(ours.wall) / Best(core.wall),
                Median(ours.cpu), Median(core.cpu), Median(ours.cpu) / Median(core.cpu));
}

struct Options {
    long long entries = 1000000, media = 200, runs = 5;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; i += 2) {
        const std::string a = argv[i];
        long long* value = a == "--entries" ? &o.entries
                           : a == "--media" ? &o.media
                           : a == "--runs"  ? &o.runs
                                            : nullptr;
        if (!value || i + 1 >= argc) {
            std::printf("usage: window_catalogue_bench [--entries N (1000000)] [--media M (200)]"
                        " [--runs R (5)]\n");
            std::exit(a == "--help" ? 0 : 2);
        }
        *value = std::atoll(argv[i + 1]);
    }
    if (o.media < 1 || o.entries < o.media || o.runs < 1 || o.entries > INT32_MAX)
        Fail("need 1 <= media <= entries and runs >= 1");
    return o;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const Options o = Parse(argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/shelvix-window-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) Fail("cannot create a temporary folder");
    const fs::path dir = pattern;
    const std::string coreName = (dir / "core.SXF").string(), commandName = (dir / "cmd.SXF").string();

    TBenchAnswers answers;
    SetInteraction(&answers);
    TfrmShelvix window;
    window.show();
    QApplication::processEvents();
    {
        auto catalogue = std::make_unique<CMedienListe>();
        benchcatalogue::BuildCatalogue(*catalogue, static_cast<int>(o.media), o.entries);
        window.ReplaceCatalogue(std::move(catalogue));
    }

    // Save: the core's Save of the catalogue in the window, and Save as under another name
    // through the command (every content is in memory, as after a scan). The order alternates.
    Samples saveCommand, saveCore;
    const auto commandSave = [&] {
        answers.FileName = QString::fromStdString(commandName);
        Time(saveCommand, [&] { window.actSaveAs->trigger(); });
        if (window.Catalogue().FileName != commandName) Fail("Save as did not save");
    };
    const auto coreSave = [&] {
        Time(saveCore, [&] {
            if (!window.Catalogue().Save(coreName)) Fail("Save failed");
        });
    };
    for (long long run = 0; run < o.runs; ++run) {
        if (run % 2) commandSave(), coreSave();
        else coreSave(), commandSave();
    }
    if (fs::file_size(dir / "core.SXD") != fs::file_size(dir / "cmd.SXD"))
        Fail("the two saves wrote different data files");

    // Open: reads the index only. The big catalogue is let go first, untimed; what each Open then
    // frees is the header-only catalogue of the previous one.
    window.ReplaceCatalogue(std::make_unique<CMedienListe>());
    Samples openCommand, openCore;
    const auto commandOpen = [&] {
        answers.FileName = QString::fromStdString(commandName);
        Time(openCommand, [&] { window.actOpen->trigger(); });
        if (window.Catalogue().Count() != o.media) Fail("Open did not open");
    };
    const auto coreOpen = [&] {
        CMedienListe catalogue;
        Time(openCore, [&] {
            if (!catalogue.Load(coreName) || catalogue.Count() != o.media) Fail("Load failed");
        });
    };
    for (long long run = 0; run < o.runs; ++run) {
        if (run % 2) commandOpen(), coreOpen();
        else coreOpen(), commandOpen();
    }
    if (!answers.Messages.isEmpty()) Fail("a command showed " + answers.Messages.first().toStdString());
    SetInteraction(nullptr);
    std::error_code ignored;
    fs::remove_all(dir, ignored);

    std::printf("catalogue: %lld entries on %lld media; %lld runs each, alternating; times in ms\n\n",
                o.entries, o.media, o.runs);
    std::printf("%-8s %10s %10s %8s %10s %10s %8s %10s %10s %8s\n", "", "wall cmd", "wall core",
                "ratio", "best cmd", "best core", "ratio", "cpu cmd", "cpu core", "ratio");
    Row("Save", saveCommand, saveCore);
    Row("Open", openCommand, openCore);
    std::printf("\ntarget: command / core <= 1.1\ncommand: %s --entries %lld --media %lld --runs %lld\n",
                argv[0], o.entries, o.media, o.runs);
    return 0;
}
