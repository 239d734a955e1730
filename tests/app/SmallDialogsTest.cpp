#include <gtest/gtest.h>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/TavixSelection.h"
#include "app/TavixTimerMsg.h"

namespace korvalen {
namespace {

struct SelectionFixture {
    TfSelection dialog{0};
    explicit SelectionFixture(QStringList options, QString statement = {}, int defaultChoice = 1,
                              QPoint centre = {}, QString caption = QStringLiteral("Choose")) {
        dialog.DialogCaption = caption;
        dialog.Centre = centre;
        dialog.Options = options;
        dialog.Statement = statement;
        dialog.DefaultChoice = defaultChoice;
        dialog.BuildLayout();
    }
};

TEST(SelectionDialog, GeometryFollowsOptionsStatementAndFontSize) {
    SelectionFixture three({"one", "two", "three"});
    EXPECT_EQ(three.dialog.height(), 180);  // (3 + 1) x 40 + 20
    // Longest option 5 characters: 5 x 10 x 3 / 4 + 20 = 57; the caption is wider: 6 x 10.
    EXPECT_EQ(three.dialog.width(), 60);
    EXPECT_EQ(three.dialog.OptionButton(1)->geometry(), QRect(10, 10, 40, 30));
    EXPECT_EQ(three.dialog.OptionButton(3)->geometry().top(), 90);
    EXPECT_EQ(three.dialog.OptionButton(0)->geometry().top(), 140);  // 3 x 40 + 20
    EXPECT_EQ(three.dialog.OptionButton(1)->text(), QStringLiteral("&1  one"));
    EXPECT_EQ(three.dialog.OptionButton(0)->text(), QStringLiteral("&0 Break [Esc]"));
    EXPECT_FALSE(three.dialog.CanClose);

    // A 40-character statement at width 330: 440 / 10 = 44 characters a line, one line.
    SelectionFixture withStatement({QString(40, 'x')}, QString(40, 's'));
    EXPECT_EQ(withStatement.dialog.width(), 40 * 10 * 3 / 4 + 20);
    EXPECT_EQ(withStatement.dialog.StatementPanel()->height(), 19 + 1 * 20);
    EXPECT_EQ(withStatement.dialog.height(), 2 * 40 + 20 + 39);
}

TEST(SelectionDialog, DigitKeysEscapeAndRefusedClose) {
    {
        SelectionFixture f({"a", "b", "c"});
        QTest::keyClick(&f.dialog, Qt::Key_4);
        EXPECT_EQ(f.dialog.result(), 0);
        EXPECT_FALSE(f.dialog.CanClose);
        EXPECT_FALSE(f.dialog.close());                        // Alt+F4 before a choice
        QTest::keyClick(f.dialog.OptionButton(1), Qt::Key_3);  // keys reach it from a button too
        EXPECT_EQ(f.dialog.Choice, 3);
        EXPECT_TRUE(f.dialog.CanClose);
    }
    {
        SelectionFixture f({"a", "b", "c"});
        QTest::keyClick(&f.dialog, Qt::Key_Escape);
        EXPECT_EQ(f.dialog.Choice, 0);
    }
    {
        SelectionFixture f({"a", "b"});
        f.dialog.Choice = 7;
        QTest::keyClick(&f.dialog, Qt::Key_0);
        EXPECT_EQ(f.dialog.Choice, 0);
    }
}

TEST(SelectionDialog, DefaultChoiceHasTheFocusAndCentreIsKept) {
    SelectionFixture f({"a", "b", "c"}, {}, 2, QPoint(400, 300));
    QTimer::singleShot(0, &f.dialog, [&] {
        EXPECT_EQ(f.dialog.focusWidget(), f.dialog.OptionButton(2));
        EXPECT_EQ(f.dialog.pos(), QPoint(400 - f.dialog.width() / 2, 300 - f.dialog.height() / 2));
        f.dialog.OptionButton(2)->click();
    });
    f.dialog.exec();
    EXPECT_EQ(f.dialog.Choice, 2);

    SelectionFixture breakFocused({"a"}, {}, 0);
    QTimer::singleShot(0, &breakFocused.dialog, [&] {
        EXPECT_EQ(breakFocused.dialog.focusWidget(), breakFocused.dialog.OptionButton(0));
        breakFocused.dialog.OptionButton(0)->click();
    });
    breakFocused.dialog.exec();
    EXPECT_EQ(breakFocused.dialog.Choice, 0);
}

TEST(SelectionDialog, NoOptionsShowsNothing) {
    EXPECT_EQ(SelectOption("c", "s", {}, 10, {}, 1, 0), 0);
}

TEST(TimedMessage, WidthIntervalAndFontClamps) {
    TfTimerMsg shortText;
    shortText.MessageText = QString(10, 'x');
    shortText.MessageFont.setPointSize(12);
    shortText.Arrange();
    EXPECT_EQ(shortText.width(), 300);
    EXPECT_EQ(shortText.height(), 41);

    TfTimerMsg longText;
    longText.MessageText = QString(40, 'x');
    longText.MessageFont.setPointSize(12);
    longText.Arrange();
    EXPECT_EQ(longText.width(), 480);

    TfTimerMsg over;
    over.MessageText = QStringLiteral("x");
    over.AreaTopLeft = QPoint(100, 100);
    over.AreaBottomRight = QPoint(901, 701);
    over.Arrange();
    EXPECT_EQ(over.pos(), QPoint(500 - 150, 400 - 20));
}

TEST(TimedMessage, ClosesByItselfOrByTheUser) {
    QWidget area;
    area.setGeometry(0, 0, 400, 300);
    QElapsedTimer clock;
    clock.start();
    // An interval below 500 keeps the default 1000 ms; a font below 6 keeps 18.
    bool byUser = ShowTimedMessage("done", 300, 4, &area, Qt::blue);
    EXPECT_FALSE(byUser);
    EXPECT_GE(clock.elapsed(), 900);

    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* message = qobject_cast<TfTimerMsg*>(w)) {
                EXPECT_EQ(message->MessageFont.pointSize(), 18);
                EXPECT_EQ(message->IntervalMs, 5000);
                QTest::keyClick(message, Qt::Key_A);
            }
    });
    EXPECT_TRUE(ShowTimedMessage("x", 5000, 4, nullptr, Qt::blue));
}

}  // namespace
}  // namespace korvalen
