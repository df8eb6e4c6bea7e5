// The login dialog as the display shows it: its place over the window, the
// layout of its captions in the display's fonts, its tab order and first values.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/MainFrm.h"
#include "app/WebAdrFrm.h"
#include "support/TempDir.h"
#include "widgets/FnpNumericEdit.h"
#include "widgets/SpinEdit.h"

using app::TWebAdrFrm;

namespace {

QLabel* CaptionOf(const QWidget* field) {
    for (QLabel* label : field->parentWidget()->findChildren<QLabel*>()) {
        if (label->buddy() == field) return label;
    }
    return nullptr;
}

}  // namespace

TEST(LoginDialog, ShowsItsFieldsAsLaidOutAndEmpty) {
    testsupport::TempDir dir;
    app::TMainFrm window(dir.File("RecentFile.Mru"));
    TWebAdrFrm d(window);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Web サーバアドレスの指定"));
    EXPECT_EQ(d.size(), QSize(369, 182));
    EXPECT_EQ(d.parentWidget(), &window);
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    struct Field {
        QWidget* widget;
        const char* caption;
        QRect geometry;  // height aside
    };
    const Field fields[] = {
        {d.URLEdit, "サーバアドレス", {86, 16, 274, 0}},  {d.PortNo, "ポートNo.", {86, 39, 36, 0}},
        {d.TimeOutEdit, "ﾀｲﾑｱｳﾄ(分)", {306, 39, 51, 0}}, {d.HttpFolderEdit, "HTTPフォルダ", {86, 62, 274, 0}},
        {d.UseNameCombo, "ユーザ名", {85, 96, 113, 0}},   {d.PassWordEdit, "パスワード", {85, 120, 274, 0}},
    };
    QWidget* expectedNext = d.URLEdit;
    for (const Field& f : fields) {
        const QString caption = QString::fromUtf8(f.caption);
        EXPECT_EQ(f.widget->accessibleName(), caption);
        EXPECT_EQ(f.widget->pos(), f.geometry.topLeft()) << f.caption;
        EXPECT_EQ(f.widget->width(), f.geometry.width()) << f.caption;
        EXPECT_EQ(f.widget, expectedNext) << "tab order at " << f.caption;
        expectedNext = f.widget->nextInFocusChain();
        while (expectedNext->focusPolicy() == Qt::NoFocus || expectedNext->focusProxy()) {
            expectedNext = expectedNext->nextInFocusChain();
        }
        const QLabel* label = CaptionOf(f.widget);
        ASSERT_NE(label, nullptr) << f.caption;
        EXPECT_EQ(label->text(), caption);
        // The caption is shown whole, inside the dialog, and clear of every field.
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(caption)) << f.caption;
        EXPECT_TRUE(d.rect().contains(label->geometry())) << f.caption;
        for (const Field& other : fields) {
            EXPECT_FALSE(label->geometry().intersects(other.widget->geometry())) << f.caption << " / " << other.caption;
        }
    }
    EXPECT_EQ(expectedNext, d.LoninBtn);
    EXPECT_EQ(d.LoninBtn->nextInFocusChain(), d.CancelBtn);
    EXPECT_EQ(CaptionOf(d.TimeOutEdit)->pos(), QPoint(237, 43));

    const std::pair<QPushButton*, const char*> buttons[] = {{d.LoninBtn, "ログイン"}, {d.CancelBtn, "キャンセル"}};
    for (const auto& [button, caption] : buttons) {
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
        EXPECT_EQ(button->size(), QSize(75, 25));
        EXPECT_FALSE(button->icon().isNull());
    }
    EXPECT_EQ(d.LoninBtn->pos(), QPoint(104, 152));
    EXPECT_EQ(d.CancelBtn->pos(), QPoint(192, 152));
    EXPECT_TRUE(d.LoninBtn->isDefault());

    EXPECT_TRUE(d.URLEdit->text().isEmpty());
    EXPECT_EQ(d.PortNo->text(), "0");
    EXPECT_EQ(d.PortNo->Decimals(), 0);
    EXPECT_EQ(d.TimeOutEdit->Value(), 5);
    EXPECT_TRUE(d.HttpFolderEdit->text().isEmpty());
    EXPECT_TRUE(d.UseNameCombo->currentText().isEmpty());
    EXPECT_EQ(d.UseNameCombo->count(), 1);
    EXPECT_EQ(d.UseNameCombo->itemText(0), QString::fromUtf8("匿名"));
    EXPECT_TRUE(d.PassWordEdit->isEnabled());
    EXPECT_EQ(d.PassWordEdit->echoMode(), QLineEdit::Password);
}
