#include "skype/CCallTable.h"

#include <gtest/gtest.h>
#include <vector>

using namespace ovento;

namespace {

constexpr std::int64_t kTenOClock = 1'700'000'000;

class CCallTableTest : public ::testing::Test
{
protected:
    CCallTableTest() : table([this] { return now; })
    {
        table.SetCommandSink([this](const QString& text) { commands.push_back(text); });
    }

    // Puts a call in the table, stamped at the given time.
    int AddAt(std::int64_t added, const QString& id, int status)
    {
        now = added;
        return table.UpdateCallStatus(id, status);
    }

    std::int64_t now = kTenOClock;
    std::vector<QString> commands;
    CCallTable table;
};

} // namespace

TEST_F(CCallTableTest, PicksTheActiveCallThatCameFirst)
{
    struct Call
    {
        const char* id;
        std::int64_t added;
        int status;
    };
    struct Case
    {
        const char* name;
        std::vector<Call> calls; // in slot order
        std::int64_t pickedAt;
        const char* picked;
    };
    const Case cases[] = {
        {"earliest wins", {{"1", kTenOClock + 5, 6}, {"2", kTenOClock, 6}}, kTenOClock + 9, "2"},
        {"hold counts as active",
         {{"1", kTenOClock, 7}, {"2", kTenOClock + 5, 6}},
         kTenOClock + 9,
         "1"},
        {"same second: higher slot", {{"1", kTenOClock, 6}, {"2", kTenOClock, 6}}, kTenOClock, "2"},
        {"ringing and ended calls are not recorded",
         {{"1", kTenOClock, 5}, {"2", kTenOClock, 8}, {"3", kTenOClock + 1, 6}},
         kTenOClock + 1,
         "3"},
        {"stamped after now: never", {{"1", kTenOClock + 60, 6}}, kTenOClock, ""},
        {"nothing active", {{"1", kTenOClock, 2}}, kTenOClock, ""},
    };
    for (const Case& c : cases) {
        table.Clear();
        for (const Call& call : c.calls)
            AddAt(call.added, call.id, call.status);
        now = c.pickedAt;
        QString id = "stale", partner = "stale";
        table.SetCallPartner(c.picked, QStringLiteral("partner-%1").arg(c.picked));
        table.PickCallToRecord(id, partner);
        EXPECT_EQ(id, c.picked) << c.name;
        EXPECT_EQ(partner, *c.picked ? QStringLiteral("partner-%1").arg(c.picked) : "") << c.name;
    }
}

TEST_F(CCallTableTest, AnEndOfAnUnseenCallTakesNoSlot)
{
    for (int status : {0, 1, 4, 8, 9, 10, 11, 12})
        EXPECT_EQ(table.UpdateCallStatus("1234", status), -1) << status;
    EXPECT_EQ(table.FindCall("1234"), -1);
    EXPECT_TRUE(commands.empty());
}

TEST_F(CCallTableTest, RingingTakesTheFirstFreeSlotAndAsksForThePartner)
{
    AddAt(kTenOClock - 30, "77", 6);
    now = kTenOClock;
    EXPECT_EQ(table.UpdateCallStatus("1234", 5), 1);
    EXPECT_EQ(table.GetCallId(1), "1234");
    EXPECT_EQ(table.GetCallStatusAt(1), 5);
    EXPECT_EQ(commands,
              (std::vector<QString>{"get call 77 partner_handle", "get call 1234 partner_handle"}));
    commands.clear();
    EXPECT_EQ(table.UpdateCallStatus("1234", 8), 1) << "a known call takes any status";
    EXPECT_EQ(table.GetCallStatusAt(1), 8);
    EXPECT_TRUE(commands.empty()) << "only a newly taken slot is queried";
}

TEST_F(CCallTableTest, TheTwentyFirstCallGetsNoSlot)
{
    for (int i = 0; i < CCallTable::kSlotCount; ++i)
        ASSERT_EQ(table.UpdateCallStatus(QString::number(100 + i), 5), i);
    commands.clear();
    EXPECT_EQ(table.UpdateCallStatus("999", 6), -1);
    EXPECT_EQ(table.FindOrAddCall("999"), -1);
    EXPECT_EQ(table.SetCallPartner("999", "bob"), -1);
    EXPECT_FALSE(table.IsCallPartner("bob"));
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(table.CountCalls(), 20);

    table.Clear();
    EXPECT_EQ(table.CountCalls(), 0);
    EXPECT_EQ(table.UpdateCallStatus("999", 6), 0) << "Clear frees every slot";
}

TEST_F(CCallTableTest, CallIdsAreTrimmedAndCompareExactly)
{
    EXPECT_EQ(table.FindOrAddCall("  "), -1);
    EXPECT_EQ(table.FindOrAddCall(" 12 "), 0);
    EXPECT_EQ(table.FindCall("12"), 0);
    EXPECT_EQ(table.GetCallId(0), "12");
    EXPECT_EQ(table.FindOrAddCall("AB"), 1);
    EXPECT_EQ(table.FindCall("ab"), -1);
    EXPECT_EQ(commands.front(), "get call 12 partner_handle");
}

TEST_F(CCallTableTest, PartnersAreKnownIgnoringCase)
{
    EXPECT_EQ(table.SetCallPartner("12", "bob"), 0);
    EXPECT_EQ(table.GetCallPartner("12"), "bob");
    EXPECT_EQ(table.GetCallPartner(" 12"), "") << "no trimming here";
    for (const char* handle : {"bob", "Bob", "BOB"})
        EXPECT_TRUE(table.IsCallPartner(handle)) << handle;
    EXPECT_FALSE(table.IsCallPartner("bobby"));
    EXPECT_FALSE(table.IsCallPartner("")) << "a free slot has no partner";
}

TEST_F(CCallTableTest, CountsAndActivityFollowTheStatus)
{
    table.SetCallPartner("1", "bob"); // a slot without a status yet
    EXPECT_EQ(table.CountCalls(), 0);
    EXPECT_FALSE(table.IsAnyCallActive());
    table.UpdateCallStatus("1", 7);
    table.UpdateCallStatus("2", 2);
    EXPECT_EQ(table.CountCalls(), 2);
    EXPECT_TRUE(table.IsAnyCallActive());
    table.UpdateCallStatus("1", 8);
    EXPECT_FALSE(table.IsAnyCallActive());
    for (int slot : {-1, 2, 20}) {
        EXPECT_EQ(table.GetCallId(slot), "") << slot;
        EXPECT_EQ(table.GetCallStatusAt(slot), 0) << slot;
    }
}

TEST(CCallTableSingleton, GetInstanceKeepsOneTableUntilDeleted)
{
    CCallTable* first = CCallTable::GetInstance();
    EXPECT_EQ(CCallTable::GetInstance(), first);
    EXPECT_EQ(first->FindOrAddCall("12"), 0);
    CCallTable::DeleteInstance();
    EXPECT_EQ(CCallTable::GetInstance()->FindCall("12"), -1);
    CCallTable::DeleteInstance();
}
