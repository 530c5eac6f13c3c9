// The window as a desktop process: its options, the tray activations it understands and the
// termination signals it turns into Exit.

#include "FakeShell.h"
#include "app/CommandLine.h"
#include "app/ExitSignals.h"
#include "app/QtShell.h"
#include "app/TrayHostDlg.h"
#include "resources/ResourceIds.h"

#include <QCoreApplication>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

using test::FakeShell;

TEST(CommandLine, ReadsTheOptionsAndNamesTheFirstUnknownOne) {
    struct Case {
        const char* name;
        std::vector<const char*> args;
        bool help;
        bool trace;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"none", {}, false, false, ""},
        {"trace", {"--trace"}, false, true, ""},
        {"help", {"--help"}, true, false, ""},
        {"short help", {"-h", "--trace"}, true, true, ""},
        {"unknown", {"--trace", "-x", "--bogus"}, false, true, "-x"},
        {"no prefix match", {"--tr"}, false, false, "--tr"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"harborlight"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const CommandLine options = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.help, c.help) << c.name;
        EXPECT_EQ(options.trace, c.trace) << c.name;
        EXPECT_EQ(options.error, c.error) << c.name;
    }
    const std::string usage = Usage();
    EXPECT_NE(usage.find("--trace"), std::string::npos);
    EXPECT_NE(usage.find("standard output"), std::string::npos);
    EXPECT_NE(usage.find("harborlight-report"), std::string::npos);
}

TEST(QtShellTray, ActivationReasonsBecomeMouseMessages) {
    using M = TrayMouseMessage;
    using R = QSystemTrayIcon::ActivationReason;
    struct Case {
        R reason;
        bool hostReportsDoubleClick;
        std::vector<M> messages;
    };
    const std::vector<Case> cases = {
        {R::Trigger, true, {M::LButtonDown}},
        // A host that reports no double-click: the activation also restores.
        {R::Trigger, false, {M::LButtonDown, M::LButtonDblClk}},
        {R::DoubleClick, true, {M::LButtonDblClk}},
        {R::DoubleClick, false, {M::LButtonDblClk}},
        {R::Context, true, {M::RButtonDown}},
        {R::Context, false, {M::RButtonDown}},
        {R::MiddleClick, true, {M::MButtonDown}},
        {R::MiddleClick, false, {M::MButtonDown}},
        {R::Unknown, true, {}},
        {R::Unknown, false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrayMessagesFor(c.reason, c.hostReportsDoubleClick), c.messages)
            << static_cast<int>(c.reason) << " " << c.hostReportsDoubleClick;
    }
}

TEST(QtShellTray, OneActivationOnAHostWithoutDoubleClicksBringsTheWindowBack) {
    FakeShell shell;
    CTrayHostDlg dlg(IDD_PORTS_DIALOG, nullptr, shell);
    dlg.SetTrayIcon(IDR_MAINFRAME);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.showMinimized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(dlg.IsIconInTray());
    ASSERT_FALSE(dlg.isVisible());

    for (const TrayMouseMessage message : TrayMessagesFor(QSystemTrayIcon::Trigger, false)) {
        shell.Click(message);
    }
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.IsIconInTray());
    EXPECT_EQ(shell.Icon(), nullptr);
}

TEST(ExitSignals, EachSignalReachesTheCallbackOnTheEventLoop) {
    std::vector<int> seen;
    ExitSignals exitSignals([&seen](int signal) { seen.push_back(signal); });
    ASSERT_TRUE(exitSignals.Installed());
    // A second object cannot take the handlers over.
    EXPECT_FALSE(ExitSignals([](int) {}).Installed());
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        seen.clear();
        ASSERT_EQ(std::raise(signal), 0);
        // The handler only wakes the loop: nothing is called before the loop runs.
        EXPECT_TRUE(seen.empty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 30000)) << signal;
        EXPECT_EQ(seen, std::vector{signal});
    }
}

} // namespace
} // namespace hl
