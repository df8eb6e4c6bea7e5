// The window's file dialogs on their own, on the offscreen platform: the open
// dialog is made when first asked for, answers with the file chosen, and offers
// every kind it opens in any letter case.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QRegularExpression>
#include <QWidget>

#include <array>
#include <optional>

#include "WindowSupport.h"
#include "app/FileDialogs.h"
#include "support/TempDir.h"

namespace {

// Before the shared application object is made: these tests need no display.
[[maybe_unused]] const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

// Whether a filter shows a name, matched case-sensitively as a desktop's own dialog may.
bool Shows(const QString& filter, const QString& name) {
    const qsizetype open = filter.lastIndexOf(u'(');
    for (const QString& pattern : filter.mid(open + 1, filter.size() - open - 2).split(u' ')) {
        if (QRegularExpression::fromWildcard(pattern, Qt::CaseSensitive).match(name).hasMatch()) return true;
    }
    return false;
}

}  // namespace

TEST(FileDialogs, OpenDialogIsMadeWhenFirstUsedAndFindsEveryModel) {
    testsupport::TempDir dir;
    const QString chosen = QString::fromStdString(dir.File("model.3ds"));
    testsupport::SaveFile(dir.File("model.3ds"), {0});
    QWidget owner;
    app::TFileDialogs dialogs(&owner);
    EXPECT_EQ(dialogs.OpenDialog(), nullptr);
    std::optional<QString> answer;
    windowtest::RunAnswering([&] { answer = dialogs.ChooseModel(QString::fromStdString(dir.Path().string())); }, chosen);
    ASSERT_NE(dialogs.OpenDialog(), nullptr);
    EXPECT_EQ(answer, chosen);

    const QStringList filters = dialogs.OpenDialog()->nameFilters();
    ASSERT_EQ(filters.size(), 7);
    EXPECT_TRUE(filters[0].startsWith(QString::fromUtf8("すべての対応ﾌｧｲﾙ")));
    EXPECT_TRUE(filters[1].startsWith(QString::fromUtf8("3dsﾌｧｲﾙ(3d Studio)")));
    EXPECT_TRUE(filters[2].startsWith(QString::fromUtf8("3ds圧縮ﾌｧｲﾙ")));
    const struct {
        const char* name;
        std::array<bool, 7> shown;
    } names[] = {
        {"a.3ds", {true, true, false, false, false, false, true}},
        {"B.3DS", {true, true, false, false, false, false, true}},
        {"c.3Ds", {true, true, false, false, false, false, true}},
        {"D.3dA", {true, false, true, false, false, false, true}},
        {"e.x", {true, false, false, true, false, false, true}},
        {"F.X", {true, false, false, true, false, false, true}},
        {"g.xA", {true, false, false, false, true, false, true}},
        {"j.glb", {true, false, false, false, false, true, true}},
        {"K.glTF", {true, false, false, false, false, true, true}},
        {"h.txt", {false, false, false, false, false, false, true}},
        {"i.3ds.bak", {false, false, false, false, false, false, true}},
    };
    for (const auto& n : names) {
        for (int filter = 0; filter < 7; ++filter)
            EXPECT_EQ(Shows(filters[filter], QString::fromLatin1(n.name)), n.shown[filter]) << n.name << " " << filter;
    }
}
