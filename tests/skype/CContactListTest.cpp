#include "skype/CContactList.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace ovento;

TEST(CContactList, FormatNamesShowsFullNamesOrTheHandles)
{
    CContactList contacts;
    contacts.AddContact("alice");
    contacts.AddContact("+123");
    contacts.SetFullName("alice", "Alice A.");
    struct Case
    {
        const char* handles;
        const char* shown;
    };
    const Case cases[] = {
        {"alice,+123", "Alice A. | +123"},
        {"", ""},
        {",alice,,", "Alice A."},
        {"Alice", "Alice"},   // handles compare exactly
        {" alice", " alice"}, // tokens are not trimmed
        {"carol,alice", "carol | Alice A."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(contacts.FormatNames(c.handles), c.shown) << c.handles;
}

TEST(CContactList, SetFullNameReplacesAKnownContactAndAppendsAnUnknownOne)
{
    CContactList contacts;
    contacts.AddContact("alice");
    contacts.AddContact("bob");
    EXPECT_EQ(contacts.SetFullName("bob", "Bob B."), 1);
    EXPECT_EQ(contacts.SetFullName("carol", "Carol C."), -1);
    EXPECT_EQ(contacts.SetFullName("carol", "Carol D."), 2);
    EXPECT_EQ(contacts.GetFullName("bob"), "Bob B.");
    EXPECT_EQ(contacts.GetFullName("carol"), "Carol D.");
    EXPECT_EQ(contacts.GetFullName("alice"), "");
    EXPECT_EQ(contacts.GetFullName("dave"), "");
}

TEST(CContactList, AddContactKeepsAKnownName)
{
    CContactList contacts;
    contacts.SetFullName("alice", "Alice A.");
    contacts.AddContact("alice");
    EXPECT_EQ(contacts.GetFullName("alice"), "Alice A.");
    EXPECT_EQ(contacts.SetFullName("alice", "Alice B."), 0) << "still one contact";
}

TEST(CContactList, RemoveContactForgetsTheName)
{
    CContactList contacts;
    contacts.SetFullName("alice", "Alice A.");
    EXPECT_TRUE(contacts.RemoveContact("alice"));
    EXPECT_FALSE(contacts.RemoveContact("alice"));
    EXPECT_EQ(contacts.FormatNames("alice"), "alice");
}

TEST(CContactList, ManyThreadsMayUseItAtOnce)
{
    CContactList contacts;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&contacts, t] {
            for (int i = 0; i < 200; ++i) {
                const QString handle = QStringLiteral("user%1").arg(i);
                contacts.AddContact(handle);
                contacts.SetFullName(handle, QStringLiteral("Name %1").arg(t));
                contacts.FormatNames(handle + ",other");
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < 200; ++i)
        EXPECT_TRUE(contacts.GetFullName(QStringLiteral("user%1").arg(i)).startsWith("Name "));
}

TEST(CContactList, GetInstanceKeepsOneListUntilDeleted)
{
    CContactList* first = CContactList::GetInstance();
    EXPECT_EQ(CContactList::GetInstance(), first);
    first->SetFullName("alice", "Alice A.");
    CContactList::DeleteInstance();
    EXPECT_EQ(CContactList::GetInstance()->GetFullName("alice"), "");
    CContactList::DeleteInstance();
}

TEST(CContactList, ARemovedContactComesBackAtTheEnd)
{
    CContactList contacts;
    for (const char* handle : {"alice", "bob", "carol"})
        contacts.AddContact(handle);
    EXPECT_TRUE(contacts.RemoveContact("carol"));
    EXPECT_TRUE(contacts.RemoveContact("alice"));
    contacts.AddContact("dave");
    contacts.AddContact("carol");
    contacts.AddContact("alice");
    contacts.AddContact("carol");
    EXPECT_EQ(contacts.SetFullName("bob", "Bob B."), 0);
    EXPECT_EQ(contacts.SetFullName("dave", "Dave D."), 1);
    EXPECT_EQ(contacts.SetFullName("carol", "Carol C."), 2);
    EXPECT_EQ(contacts.SetFullName("alice", "Alice A."), 3);
    EXPECT_TRUE(contacts.RemoveContact("alice"));
    EXPECT_EQ(contacts.SetFullName("alice", "Alice B."), -1) << "appended after its removal";
    EXPECT_EQ(contacts.FormatNames("alice,bob,carol,dave"),
              "Alice B. | Bob B. | Carol C. | Dave D.");
}
