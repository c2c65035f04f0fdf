#include "tests/skype/SkypeClientFixture.h"

using namespace ovento;
using namespace ovento::test;
using namespace std::chrono_literals;

namespace {

using RetryBudgetTest = SkypeClientFixture;

// The budget of five retries is the process's, so this is the only test of its executable.
TEST_F(RetryBudgetTest, FiveRetriesInTheLifeOfTheProcessThenFailuresAreDroppedAtOnce)
{
    CSkypeClient* client = StartAttached();

    // Commands that can never be delivered whole are refused when queued, so they cannot
    // spend the budget: neither our own nor the queries a hostile call id makes.
    EXPECT_FALSE(client->QueueCommand(QString(1024, u'a')));
    const QByteArray hostileId(1100, '7');
    EXPECT_EQ(AnswerOf(skype.SendCopyData("CALL " + hostileId + " STATUS INPROGRESS")), 1);

    skype.commandResult = 0; // Skype answers, but refuses every command
    EXPECT_TRUE(client->QueueCommand(QStringLiteral("refused")));
    ASSERT_TRUE(WaitForCommands(10));
    SpinFor(200ms);
    EXPECT_EQ(skype.CommandTexts(), kStartUpQueries + QStringList(6, QStringLiteral("refused")))
        << "the whole budget is still there for a command that can be delivered";

    skype.commandResult = 1;
    client->QueueCommand(QStringLiteral("delivered"));
    ASSERT_TRUE(WaitForCommands(11));
    skype.commandResult = 0;
    client->QueueCommand(QStringLiteral("refused once"));
    ASSERT_TRUE(WaitForCommands(12));

    // A new client in the same process finds the budget spent.
    delete client;
    StartClient();
    ASSERT_TRUE(WaitForCommands(16));
    // A command that just fits the send buffer leaves whole.
    CSkypeClient::ExistingInstance()->QueueCommand(QString(1023, u'b'));
    ASSERT_TRUE(WaitForCommands(17));
    SpinFor(200ms);
    const QStringList texts = skype.CommandTexts();
    EXPECT_EQ(texts.mid(10), QStringList({"delivered", "refused once"}) + kStartUpQueries +
                                 QStringList(QString(1023, u'b')));
    EXPECT_EQ(skype.Commands().back().bytes.size(), 1024);
}

} // namespace
