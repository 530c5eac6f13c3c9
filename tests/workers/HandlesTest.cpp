#include "WorkerTestSupport.h"
#include "workers/ConsoleMessageBox.h"
#include "workers/DetachableMessageBox.h"

#include <cstdio>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace hl {
namespace {

using namespace test;

TEST(WorkerHandles, MessageBoxDetachDoesNotWaitForTheBoxOnScreen) {
    auto target = std::make_shared<BlockingMessageBox>();
    auto handle = std::make_shared<DetachableMessageBox>(target);

    auto shown = std::async(std::launch::async, [handle] {
        return handle->Show("first", kAppTitle, MessageIcon::Information);
    });
    ASSERT_TRUE(target->WaitForBoxes(1));
    handle->Detach(); // returns while "first" is still open
    EXPECT_EQ(target->OpenBoxes(), 1u);
    EXPECT_FALSE(handle->Show("second", kAppTitle, MessageIcon::Information));

    target->DismissOne();
    EXPECT_TRUE(shown.get()) << "the open box still answers for itself";
    ASSERT_EQ(target->Boxes().size(), 1u);
    EXPECT_EQ(target->Boxes()[0].text, "first");
}

TEST(WorkerHandles, ConsoleBoxWritesOneLinePerBoxWithControlCharactersMasked) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ConsoleMessageBox box(stream);
    EXPECT_TRUE(box.Show("Error closing connection", kAppTitle, MessageIcon::Information));
    EXPECT_TRUE(box.Show("bad\nline\x1b[2J", kAppTitle, MessageIcon::Exclamation));
    // A raw 0x9B is a terminal's CSI as well; an ordinary non-ASCII name stays as it is.
    EXPECT_TRUE(box.Show("csi\x9b"
                         "2J \xc3\xa9t\xc3\xa9",
                         kAppTitle, MessageIcon::Information));

    std::rewind(stream);
    std::string written;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
        written.append(buffer, n);
    }
    std::fclose(stream);
    EXPECT_EQ(written, "Harborlight Scanner [information]: Error closing connection\n"
                       "Harborlight Scanner [exclamation]: bad?line?[2J\n"
                       "Harborlight Scanner [information]: csi?2J \xc3\xa9t\xc3\xa9\n");
}

} // namespace
} // namespace hl
