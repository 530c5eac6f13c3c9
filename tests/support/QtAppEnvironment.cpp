// One QApplication for all tests of an executable, on the offscreen platform unless the
// environment names another.

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtAppEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[8] = "hltests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new QtAppEnvironment);

} // namespace
