// One QApplication for every window test of this executable, made before the first test
// and kept to the end; the windows draw offscreen unless a platform was chosen. Settings
// go to a folder of the run's own, never to the user's.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
        settings_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(settings_->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_->path());
    }
    void TearDown() override {
        settings_.reset();
        app_.reset();
    }

private:
    int argc_ = 1;
    char name_[10] = "tests_ui";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QTemporaryDir> settings_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
