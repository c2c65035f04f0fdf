#include "tests/skype/SkypeClientFixture.h"

using namespace ovento;
using namespace ovento::test;
using namespace std::chrono_literals;

namespace {

using RetryBudgetTest = SkypeClientFixture;

// The budget of five retries is the process's, so this is the only test of its executable.
TEST_F(RetryBudgetTest, FiveRetriesInTheLifeOfTheProcessThenFailuresAreDroppedAtOnce)
{
    skype.commandResult = 0; // Skype answers, but refuses every command
    CSkypeClient* client = StartClient();
    ASSERT_TRUE(WaitForCommands(9));
    SpinFor(200ms);
    EXPECT_EQ(skype.CommandTexts(), QStringList(6, kStartUpQueries[0]) + kStartUpQueries.mid(1))
        << "the first query spends the whole budget, the others are dropped at once";

    skype.commandResult = 1;
    client->QueueCommand(QStringLiteral("delivered"));
    ASSERT_TRUE(WaitForCommands(10));
    skype.commandResult = 0;
    client->QueueCommand(QStringLiteral("refused once"));
    ASSERT_TRUE(WaitForCommands(11));

    // A new client in the same process finds the budget spent.
    delete client;
    StartClient();
    ASSERT_TRUE(WaitForCommands(15));
    // A command that does not fit the send buffer never leaves; one that just fits does.
    CSkypeClient::ExistingInstance()->QueueCommand(QString(1024, u'a'));
    CSkypeClient::ExistingInstance()->QueueCommand(QString(1023, u'b'));
    ASSERT_TRUE(WaitForCommands(16));
    SpinFor(200ms);
    const QStringList texts = skype.CommandTexts();
    EXPECT_EQ(texts.mid(9), QStringList({"delivered", "refused once"}) + kStartUpQueries +
                                QStringList(QString(1023, u'b')));
    EXPECT_EQ(skype.Commands().back().bytes.size(), 1024);
}

} // namespace
