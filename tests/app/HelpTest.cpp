#include "app/HelpPages.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace hl {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& text = "<html></html>") {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(HelpPages, FoundBesideTheProgramOrUnderItsPrefix) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const fs::path root = tmp.path().toStdString();
    const fs::path build = root / "build";
    const fs::path prefix = root / "opt" / "hl";
    WriteFile(build / "harborlight-help" / "index.html");
    WriteFile(prefix / "share" / "harborlight" / "help" / "index.html");
    fs::create_directories(prefix / "bin");
    fs::create_directories(root / "empty" / "bin");
    // A folder of that name without its index page is no help.
    fs::create_directories(root / "noindex" / "harborlight-help");

    EXPECT_EQ(FindHelpIndex(build.string()), (build / "harborlight-help" / "index.html").string());
    EXPECT_EQ(FindHelpIndex((prefix / "bin").string()),
              (prefix / "share" / "harborlight" / "help" / "index.html").string());
    EXPECT_EQ(FindHelpIndex((root / "empty" / "bin").string()), "");
    EXPECT_EQ(FindHelpIndex((root / "noindex").string()), "");
    EXPECT_EQ(FindHelpIndex((root / "missing").string()), "");
    EXPECT_EQ(FindHelpIndex(""), "");
}

// Every page of the help as the build tree holds it: each link and picture leads to a file
// of the help (and to an anchor of it that exists), and no page runs a script.
TEST(HelpPages, EveryLinkOfTheHelpLeadsToAFileOfIt) {
    const fs::path help = fs::path(HL_APP_DIR) / "harborlight-help";
    ASSERT_TRUE(fs::is_regular_file(help / "index.html"));
    const std::regex reference(R"re((?:href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
    const std::regex anchor(R"re(\sid\s*=\s*"([^"]*)")re", std::regex::icase);
    const std::regex script(R"(<script|javascript:|\son[a-z]+\s*=)", std::regex::icase);
    int pages = 0;
    int links = 0;
    for (const auto& entry : fs::recursive_directory_iterator(help)) {
        if (entry.path().extension() != ".html") {
            continue;
        }
        ++pages;
        const std::string page = ReadFile(entry.path());
        const std::string name = fs::relative(entry.path(), help).string();
        EXPECT_FALSE(std::regex_search(page, script)) << name;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), reference);
             it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1];
            if (target.rfind("https://", 0) == 0 || target.rfind("http://", 0) == 0 ||
                target.rfind("mailto:", 0) == 0) {
                continue; // outside the help; the pages read without them
            }
            ++links;
            const size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const fs::path resolved =
                file.empty() ? entry.path() : entry.path().parent_path() / file;
            ASSERT_TRUE(fs::is_regular_file(resolved)) << name << " -> " << target;
            EXPECT_EQ(fs::relative(fs::weakly_canonical(resolved), help).string().rfind("..", 0),
                      std::string::npos)
                << name << " -> " << target << " leaves the help";
            if (hash != std::string::npos && hash + 1 < target.size()) {
                const std::string wanted = target.substr(hash + 1);
                const std::string linked = ReadFile(resolved);
                std::set<std::string> ids;
                for (auto id = std::sregex_iterator(linked.begin(), linked.end(), anchor);
                     id != std::sregex_iterator(); ++id) {
                    ids.insert((*id)[1]);
                }
                EXPECT_TRUE(ids.count(wanted) > 0) << name << " -> " << target;
            }
        }
    }
    EXPECT_GT(pages, 0);
    EXPECT_GT(links, 0);
}

} // namespace
} // namespace hl
