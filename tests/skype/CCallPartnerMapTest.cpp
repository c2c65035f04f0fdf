#include "skype/CCallPartnerMap.h"

#include <gtest/gtest.h>

using namespace ovento;

TEST(CCallPartnerMap, FormatPartnersNamesEachCallByItsPartner)
{
    CCallPartnerMap partners;
    partners.SetPartner("12", "bob");
    partners.SetPartner("ab7", "carol");
    struct Case
    {
        const char* ids;
        const char* shown;
    };
    const Case cases[] = {
        {"12,13", "bob,13"},
        {"13", "13"},
        {"AB7,12", "carol,bob"}, // call ids compare ignoring case
        {"12", "bob"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(partners.FormatPartners(c.ids), c.shown) << c.ids;
}

TEST(CCallPartnerMap, SetPartnerAgainReplacesTheHandle)
{
    CCallPartnerMap partners;
    partners.SetPartner("Ab7", "bob");
    partners.SetPartner("ab7", "carol");
    EXPECT_EQ(partners.Lookup("AB7"), "carol");
    EXPECT_EQ(partners.Lookup("99"), "99");
}

TEST(CCallPartnerMap, GetInstanceKeepsOneMapUntilDeleted)
{
    CCallPartnerMap* first = CCallPartnerMap::GetInstance();
    EXPECT_EQ(CCallPartnerMap::GetInstance(), first);
    first->SetPartner("12", "bob");
    CCallPartnerMap::DeleteInstance();
    EXPECT_EQ(CCallPartnerMap::GetInstance()->Lookup("12"), "12");
    CCallPartnerMap::DeleteInstance();
}
