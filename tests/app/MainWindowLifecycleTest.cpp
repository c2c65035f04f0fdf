#include "app/CKelvaroDlg.h"
#include "audio/CAudioServer.h"
#include "platform/MessageBox.h"
#include "tests/support/AudioPortsTest.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/PortSquatter.h"
#include "tests/support/TempHome.h"

#include <QDir>
#include <QLabel>
#include <QLoggingCategory>
#include <QStringList>
#include <QTimer>
#include <QtTest/QTest>
#include <cstring>
#include <gtest/gtest.h>

using namespace ovento;

namespace {

// Catches the start-up and shutdown step lines of the main window.
class LifecycleLines
{
public:
    LifecycleLines()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("ovento.lifecycle.debug=true"));
        s_lines.clear();
        s_previous = qInstallMessageHandler(&LifecycleLines::Catch);
    }
    ~LifecycleLines()
    {
        qInstallMessageHandler(s_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    QStringList Lines() const { return s_lines; }

private:
    static void Catch(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (context.category && std::strcmp(context.category, "ovento.lifecycle") == 0)
            s_lines.append(text);
        else if (s_previous)
            s_previous(type, context, text);
    }
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace

using MainWindow = test::AudioPortsTest;

TEST_F(MainWindow, CreatesAndDestroysThePartsInTheirOrder)
{
    test::TempHome home;
    LifecycleLines lines;
    {
        CKelvaroDlg dialog;
        dialog.OnInitDialog();
        dialog.DestroyWindow();
    }
    const QStringList expected = {
        "init: folders",           "init: tray icon and window icon",
        "init: meters and labels", "init: record store",
        "init: history window",    "init: skin",
        "init: settings",          "init: audio server",
        "init: skype client",      "init: call table",
        "init: active recording",  "init: partner map",
        "init: window position",   "init: update check",
        "init: history filled",    "destroy: tray icon",
        "destroy: settings saved", "destroy: audio server",
        "destroy: skype client",   "destroy: active recording",
        "destroy: record store",   "destroy: history window",
        "destroy: settings",
    };
    EXPECT_EQ(lines.Lines(), expected);
}

TEST_F(MainWindow, StartsWithTheRecordingButtonsDisabledAndTheWaitingTexts)
{
    test::TempHome home;
    CKelvaroDlg dialog;
    dialog.OnInitDialog();
    EXPECT_FALSE(dialog.GetDlgItem(CKelvaroDlg::IDC_RECORD)->isEnabled());
    EXPECT_FALSE(dialog.GetDlgItem(CKelvaroDlg::IDC_PAUSE)->isEnabled());
    EXPECT_FALSE(dialog.GetDlgItem(CKelvaroDlg::IDC_UNUSED_BUTTON)->isEnabled());
    EXPECT_TRUE(dialog.GetDlgItem(CKelvaroDlg::IDC_UNUSED_BUTTON)->isHidden());
    EXPECT_EQ(dialog.GetDlgItem(CKelvaroDlg::IDC_RECORD)->toolTip(), "Start Recording");
    EXPECT_EQ(dialog.GetDlgItem(CKelvaroDlg::IDC_PAUSE)->toolTip(), "Pause Recording");
    EXPECT_EQ(dialog.GetDlgItem(CKelvaroDlg::IDC_HISTORY)->toolTip(), "History");
    EXPECT_EQ(qobject_cast<QLabel*>(dialog.GetDlgItem(CKelvaroDlg::IDC_USER_LABEL))->text(),
              "Searching for Skype");
    EXPECT_EQ(qobject_cast<QLabel*>(dialog.GetDlgItem(CKelvaroDlg::IDC_STATUS_LABEL))->text(),
              "Waiting to access Skype ...");
    EXPECT_TRUE(QDir(home.documents() + "/Ovento").exists());
    EXPECT_TRUE(QDir(home.dataHome() + "/Ovento").exists());
    dialog.DestroyWindow();
}

TEST_F(MainWindow, EnterEscapeCloseAndExitEachEndTheModalRun)
{
    const std::function<void(CKelvaroDlg&)> enders[] = {
        [](CKelvaroDlg& d) { QTest::keyClick(&d, Qt::Key_Return); },
        [](CKelvaroDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](CKelvaroDlg& d) { d.close(); },
        [](CKelvaroDlg& d) { SendMessage(&d, WM_COMMAND, CKelvaroDlg::ID_TRAY_EXIT, 0); },
    };
    for (const auto& end : enders) {
        test::TempHome home;
        CKelvaroDlg dialog;
        QTimer::singleShot(50, &dialog, [&] { end(dialog); });
        dialog.DoModal();
        dialog.DestroyWindow();
        SUCCEED();
    }
}

TEST_F(MainWindow, AnEndAskedForDuringStartUpEndsTheRunBeforeItStarts)
{
    test::TempHome home;
    // Another program on the microphone port makes the start-up show its port message; the
    // user (here: a signal) ends the program while that message is up.
    test::PortSquatter squatter(CAudioServer::kMySidePort);
    ASSERT_TRUE(squatter.IsListening());

    CKelvaroDlg dialog;
    int boxes = 0;
    SetMessageBoxHandler([&](const QString&, const QString&) {
        ++boxes;
        SendMessage(&dialog, WM_QUIT, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), QDialog::Rejected) << "returns instead of waiting for the user";
    EXPECT_EQ(boxes, 1);
    test::PassOverMessageBoxes();
    dialog.DestroyWindow();
}
