#include "platform/MessageBox.h"

#include "tests/support/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ovento;

// An ending program must not wait for a click: the box that is up closes, and a box asked for
// afterwards (the next start-up message, say) does not open at all.
TEST(MessageBox, ShowsItsIconAndEndingClosesItAndPassesOverLaterOnes)
{
    SetMessageBoxHandler({});
    bool sawTheBox = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget))
                sawTheBox = sawTheBox || (box->isVisible() && box->text() == "first" &&
                                          box->windowTitle() == "Ovento Recorder" &&
                                          box->icon() == QMessageBox::Critical);
        EndMessageBoxes();
    });
    MessageBox(nullptr, QStringLiteral("first"), QStringLiteral("Ovento Recorder"),
               MessageBoxIcon::Error);
    EXPECT_TRUE(sawTheBox);

    bool secondReturnedAtOnce = true;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        secondReturnedAtOnce = false;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget))
                box->done(QMessageBox::Ok);
    });
    watchdog.start(0);
    MessageBox(nullptr, QStringLiteral("second"), QStringLiteral("Ovento Recorder"));
    EXPECT_TRUE(secondReturnedAtOnce);
    test::PassOverMessageBoxes();
}
