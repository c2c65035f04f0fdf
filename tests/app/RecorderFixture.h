#pragma once

#include "app/CActiveRecording.h"
#include "app/CKelvaroDlg.h"
#include "history/RecordInfo.h"
#include "tests/app/SkypeSimProcess.h"
#include "tests/support/AudioPortsLock.h"
#include "tests/support/TempHome.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace ovento::test {

// The history as the record.xml of that home holds it; empty when there is no file.
std::vector<RecordInfo> ReadHistory(const TempHome& home);
// Every file below the folder whose name ends in ".mp3", as absolute paths.
QStringList Mp3FilesBelow(const QString& folder);

// The recorder's main window in this process, on the program's own audio ports and a fresh
// home, beside skype-sim playing a scenario on the test's private bus.
class RecorderFixture : public ::testing::Test
{
protected:
    struct Setup
    {
        bool automatic = true; // "rectype"
        int recSide = 0;       // "recside"
        // The active recording's clock; the system clock when empty.
        CActiveRecording::Clock clock = {};
    };

    void TearDown() override;

    // Starts the recorder with the settings, then the sim on the scenario. The scenario
    // begins once the recorder has attached and asked for its friends.
    void Play(const QString& scenario, const Setup& setup);

    // Waits until the recorder has handled everything the sim sent before the checkpoint.
    bool ReachCheckpoint(const QString& name);
    // Lets the scenario go on after the checkpoint.
    void Continue(const QString& name);
    // Waits until the sim has received every command the recorder queued so far.
    bool WaitForCommandsDelivered();
    bool WaitForScenarioDone();

    int State() const;
    bool IsEnabled(int controlId) const;
    // A click on the button (which must be enabled).
    void Click(int controlId);
    // A command of the main window as a control sends it, whether the control is enabled.
    void Command(int controlId);

    // How often Skype was asked to send a side of the call to the recorder's port.
    int OutputRedirections(const QString& callId) const;
    int MicRedirections(const QString& callId) const;

    QString RecordFolder() const;
    QStringList Mp3Files() const { return Mp3FilesBelow(m_home.root()); }
    std::vector<RecordInfo> History() const { return ReadHistory(m_home); }
    bool WaitForHistory(std::size_t count);

    // Taken first and given back last: the window and the sim use the ports in between.
    AudioPortsLock m_portsLock;
    TempHome m_home;
    SkypeSimProcess m_sim{m_home.root()};
    std::unique_ptr<CKelvaroDlg> m_dialog;

private:
    int m_nSyncs = 0;
};

} // namespace ovento::test
