// sort_bench: how long a click on a column heading of the connection list takes to show the
// list sorted by that column, against GNU sort ordering the same column's texts.
//
//   sort_bench [--rows N]... [--runs R]
//
// For each N (default 30000 and 60000) it fills a list of N rows of made-up connections in
// random order, shows it (on whatever Qt platform is set; offscreen works) and, for each
// column kind (text: Local Address, Process Name; number: Local Port, PID), times R clicks
// on the heading (the list is shuffled again before each): from the click until the view
// has painted the new order. For comparison it times `LC_ALL=C sort -f` (text) or
// `LC_ALL=C sort -g` (numbers) on a file of the same texts, start-up included. Prints one
// line per N and column:
//
//   N=30000 column="Local Address" kind=text sort_ms=... sort_tool_ms=... ratio=...
//
// (medians over the runs; ratio = sort_ms / sort_tool_ms). Exits 3 when a sort of 30,000
// rows or fewer took more than 100 ms.

#include "listview/PortListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLimitMs = 100;
constexpr int kLimitRows = 30000;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Rows as a busy machine lists them: several processes, many peers, ports all over.
std::vector<hl::RowTexts> MakeRows(int count, std::mt19937& random) {
    const char* names[] = {"sshd",        "nginx",         "postgres",         "Xorg",
                           "firefox-esr", "python3.11",    "systemd-resolved", "chronyd",
                           "java",        "NetworkManager"};
    const char* states[] = {"ESTABLISHED", "TIME_WAIT", "CLOSE_WAIT", "LISTEN", "SYN_SENT"};
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> port(1, 65535);
    std::uniform_int_distribution<int> pid(1, 4194304);
    std::uniform_int_distribution<int> pick(0, 9);
    std::vector<hl::RowTexts> rows(static_cast<size_t>(count));
    for (hl::RowTexts& row : rows) {
        const bool udp = pick(random) == 0;
        const int owner = pick(random);
        row[hl::kColProtocol] = udp ? "UDP" : "TCP";
        row[hl::kColPid] = std::to_string(pid(random) % (owner * 500 + 1000));
        row[hl::kColProcessName] = names[owner];
        row[hl::kColLocalAddress] = "10." + std::to_string(byte(random)) + "." +
                                    std::to_string(byte(random)) + "." +
                                    std::to_string(byte(random));
        row[hl::kColLocalPort] = std::to_string(port(random));
        if (!udp) {
            row[hl::kColRemoteAddress] =
                std::to_string(byte(random)) + ".0.0." + std::to_string(byte(random));
            row[hl::kColRemotePort] = std::to_string(port(random));
            row[hl::kColState] = states[pick(random) % 5];
        }
    }
    return rows;
}

void Fill(hl::CPortListCtrl& list, std::vector<hl::RowTexts>& rows, std::mt19937& random) {
    std::shuffle(rows.begin(), rows.end(), random);
    list.DeleteAllItems();
    for (const hl::RowTexts& row : rows) {
        list.InsertFilledItem(row, 0);
    }
    list.FlushUpdates();
    list.viewport()->repaint();
}

// One click on the heading of `column`, until the view has painted what it shows now.
double TimeClick(hl::CPortListCtrl& list, int column) {
    QHeaderView* header = list.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    const Clock::time_point begin = Clock::now();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    list.viewport()->repaint();
    return Ms(Clock::now() - begin);
}

// GNU sort on the texts of one column, from its start to its end; a negative time when it
// could not be run.
double TimeSortTool(const std::string& file, bool numbers) {
    const char* const argv[] = {"sort",      numbers ? "-g" : "-f", "-o",
                                "/dev/null", file.c_str(),          nullptr};
    std::vector<std::string> env = {"LC_ALL=C"};
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "LC_ALL=", 7) != 0) {
            env.emplace_back(*e);
        }
    }
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    const Clock::time_point begin = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, "sort", nullptr, nullptr, const_cast<char* const*>(argv),
                     envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return Ms(Clock::now() - begin);
}

struct Measured {
    int column;
    const char* heading;
    bool numbers;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::vector<int> sizes;
    int runs = 7;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
            sizes.push_back(std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: sort_bench [--rows N]... [--runs R]\n");
            return 2;
        }
    }
    if (sizes.empty()) {
        sizes = {30000, 60000};
    }
    if (runs <= 0 || std::any_of(sizes.begin(), sizes.end(), [](int n) { return n <= 0; })) {
        std::fprintf(stderr, "sort_bench: --rows and --runs must be positive\n");
        return 2;
    }

    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "sort_bench: no temporary folder\n");
        return 1;
    }
    const char* headings[] = {
        "Protocol",       "PID",         "Process Name",    "Local Address", "Local Port",
        "Remote Address", "Remote Port", "Connection State"};
    hl::CPortListCtrl list;
    const int widths[] = {60, 60, 140, 110, 90, 110, 90, 140};
    for (int col = 0; col < hl::kColumnCount; ++col) {
        list.InsertColumn(col, QString::fromLatin1(headings[col]), hl::LVCFMT_LEFT, widths[col]);
    }
    list.SetExtendedStyle(hl::LVS_EX_GRIDLINES | hl::LVS_EX_HEADERDRAGDROP |
                          hl::LVS_EX_FULLROWSELECT);
    list.resize(900, 600);
    list.show();
    if (!QTest::qWaitForWindowExposed(&list)) {
        std::fprintf(stderr, "sort_bench: the list was not shown\n");
        return 1;
    }

    const Measured columns[] = {
        {hl::kColLocalAddress, "Local Address", false},
        {hl::kColProcessName, "Process Name", false},
        {hl::kColLocalPort, "Local Port", true},
        {hl::kColPid, "PID", true},
    };
    std::mt19937 random(20261211);
    bool withinLimit = true;
    for (const int size : sizes) {
        std::vector<hl::RowTexts> rows = MakeRows(size, random);
        for (const Measured& m : columns) {
            const std::string file =
                folder.filePath(QStringLiteral("column%1.txt").arg(m.column)).toStdString();
            {
                std::ofstream out(file);
                for (const hl::RowTexts& row : rows) {
                    out << row[static_cast<size_t>(m.column)] << '\n';
                }
            }
            std::vector<double> sorts;
            std::vector<double> tools;
            for (int run = 0; run < runs; ++run) {
                Fill(list, rows, random);
                sorts.push_back(TimeClick(list, m.column));
                const double tool = TimeSortTool(file, m.numbers);
                if (tool < 0) {
                    std::fprintf(stderr, "sort_bench: sort could not be run\n");
                    return 1;
                }
                tools.push_back(tool);
            }
            const double sortMs = Median(sorts);
            const double toolMs = Median(tools);
            std::printf("N=%d column=\"%s\" kind=%s sort_ms=%.1f sort_tool_ms=%.1f ratio=%.2f\n",
                        size, m.heading, m.numbers ? "number" : "text", sortMs, toolMs,
                        sortMs / toolMs);
            std::fflush(stdout);
            if (size <= kLimitRows && sortMs > kLimitMs) {
                withinLimit = false;
            }
        }
    }
    return withinLimit ? 0 : 3;
}
