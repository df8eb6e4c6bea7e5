// One application object for every test of the executable, made before the first
// test runs: the program's own, with its translations, speaking the languages the
// test program names (KORVANE_UI_LANGUAGES in CMakeLists.txt).
#include <gtest/gtest.h>

#include <memory>

#include "app/Application.h"

namespace {

class Application : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("LC_ALL", "C.UTF-8");
        qputenv("LANGUAGE", KORVANE_UI_LANGUAGES);
        application_ = std::make_unique<app::TKorvaneApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "korvane-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<app::TKorvaneApplication> application_;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new Application);

}  // namespace
