// The program's English without its window: the language chosen from the user's
// languages, and the English of the errors the modules without a window raise.
// This program runs with English as the user's first language (see
// KORVANE_UI_LANGUAGES in CMakeLists.txt), on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "app/ErrorText.h"
#include "app/UiLanguage.h"
#include "base/Errors.h"
#include "base/Language.h"
#include "base/Stream.h"
#include "base/Texts.h"
#include "model3ds/File3DS.h"
#include "model3ds/OpenModel.h"
#include "support/TempDir.h"

namespace {

[[maybe_unused]] const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

}  // namespace

TEST(UiLanguage, EnglishOnlyWhenNamedBeforeJapanese) {
    const std::pair<QStringList, const char*> cases[] = {
        {{}, "ja"},
        {{"C"}, "ja"},
        {{"en"}, "en"},
        {{"en-US", "en-Latn-US", "en"}, "en"},
        {{"en_GB"}, "en"},
        {{"en", "ja"}, "en"},
        {{"ja", "en"}, "ja"},
        {{"ja-JP", "ja"}, "ja"},
        {{"de-DE", "en-GB", "ja"}, "en"},
        {{"fr-FR", "fr"}, "ja"},
        {{"eo", "enx"}, "ja"},
    };
    for (const auto& [languages, expected] : cases) {
        EXPECT_EQ(app::UiLanguage(languages), expected) << languages.join(',').toStdString();
    }
    EXPECT_EQ(app::UiLanguage(), "en");
}

// The shared modules' errors reach the error report in English, with what they name.
TEST(EnglishErrorText, SharedErrorsAreTranslatedWithTheirValues) {
    const base::EFOpenError open("/tmp/箱 50%s.3ds");
    const base::EFOpenError openShiftJis("\x94\xa0.3ds");
    const base::EFCreateError create("out.x", ENOSPC);
    const base::EListError index(-7);
    const base::EConvertError number("1,5");
    const base::EWriteError write;
    const base::EReadError read;
    const model3ds::EReadModelError nothing("\x94\xa0.3ds");
    const std::runtime_error other("line one\rline two");
    const std::bad_alloc memory;
    const std::pair<const std::exception*, QString> cases[] = {
        {&open, "Cannot open file /tmp/箱 50%s.3ds"},
        {&openShiftJis, "Cannot open file 箱.3ds"},
        {&create, "Cannot create file out.x"},
        {&index, "List index out of bounds (-7)"},
        {&number, "'1,5' is not a valid floating point number"},
        {&write, "Stream write error"},
        {&read, "Stream read error"},
        {&nothing, "READ ERROR : 箱.3ds"},
        {&other, "line one\nline two"},
        {&memory, "Not enough memory"},
    };
    for (const auto& [error, expected] : cases) EXPECT_EQ(app::TranslatedErrorText(*error), expected);
}

// The window, from its translation file, and the tools, from base, say each
// message of the modules without a window in the same English.
TEST(EnglishErrorText, WindowAndToolsShareTheEnglishOfEachSharedText) {
    for (const std::string_view text : base::TranslatableTexts()) {
        const std::string japanese(text);
        const QString window = QCoreApplication::translate(base::kTextContext, japanese.c_str());
        EXPECT_NE(window, QString::fromStdString(japanese)) << japanese;
        EXPECT_EQ(window.toStdString(), base::Translated(japanese, base::TUiLanguage::English)) << japanese;
    }
}

// The error report's detail text says what the message leaves out: the file's
// name (shown as the window shows names) and why, in English here.
TEST(EnglishErrorText, DetailNamesTheFileAndTheReason) {
    testsupport::TempDir dir;
    const std::string empty = dir.File("\x94\xa0.3ds"), text = dir.File("text.3ds");
    base::WriteFileAtomically(empty, "", 0);
    base::WriteFileAtomically(text, "hello world\n", 12);
    const auto raised = [](const std::function<void()>& action) -> std::exception_ptr {
        try {
            action();
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    };
    const std::string emptyShown = dir.File("箱.3ds");
    const struct {
        std::exception_ptr error;
        QString text, detail;
    } cases[] = {
        {raised([&] { model3ds::TFile3DS model(empty); }), "Stream read error",
         QString::fromStdString(emptyShown + ": the file is empty")},
        {raised([&] {
             model3ds::TFile3DS model;
             model3ds::OpenModelFile(model, text, model3ds::TUnpackPolicy::AnyOutput, model3ds::TModelNeeds::Meshes);
         }),
         QString::fromStdString("READ ERROR : " + text), "not a 3D Studio model"},
        {raised([&] { base::ReadWholeFile(dir.File("missing.3ds")); }),
         QString::fromStdString("Cannot open file " + dir.File("missing.3ds")), "No such file or directory"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.error);
        try {
            std::rethrow_exception(c.error);
        } catch (const std::exception& error) {
            EXPECT_EQ(app::TranslatedErrorText(error), c.text);
            EXPECT_EQ(app::ErrorDetailText(error), c.detail);
        }
    }
}
