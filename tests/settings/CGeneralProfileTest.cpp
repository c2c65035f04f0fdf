#include "settings/CGeneralProfile.h"

#include "platform/CRegistryStore.h"
#include "platform/CRegistryText.h"
#include "tests/support/DebugLines.h"
#include "tests/support/TempHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ovento;

namespace {

const QString kKey = QStringLiteral("software\\Ovento\\config");

const QStringList kLoadOrder = {"autostart", "notifycov", "notifyfinish", "position", "rectype",
                                "recside",   "sfolder",   "amode",        "abitrate", "asample"};

RegValue Binary(const QByteArray& data)
{
    return RegValue{RegKind::Binary, data};
}

RegValue Dword(std::int32_t number)
{
    return RegValue{RegKind::Dword, ToRegDword(static_cast<std::uint32_t>(number))};
}

RegValue String(const QString& text)
{
    return RegValue{RegKind::String, ToRegString(text)};
}

// The 520-byte form a read writes for a missing string.
RegValue StringBuffer(const QString& text)
{
    QByteArray data = ToRegString(text);
    data.append(520 - data.size(), '\0');
    return RegValue{RegKind::String, data};
}

class CGeneralProfileTest : public ::testing::Test
{
protected:
    // What the settings file holds now, read the way a new run would.
    std::optional<RegValue> Stored(const QString& name) const
    {
        return CRegistryStore().QueryValue(kKey, name);
    }

    QStringList StoredNames() const
    {
        QStringList names;
        RegKeys keys;
        QString error;
        QFile file(CRegistryStore::DefaultFilePath());
        if (file.open(QIODevice::ReadOnly) && CRegistryText::Parse(file.readAll(), keys, error))
            for (const RegNamedValue& value : keys.at(0).values)
                names << value.name;
        return names;
    }

    test::TempHome home;
};

} // namespace

TEST_F(CGeneralProfileTest, FirstRunWritesEveryDefault)
{
    CGeneralProfile profile;
    EXPECT_TRUE(profile.Load());
    EXPECT_EQ(StoredNames(), kLoadOrder);
    const std::pair<const char*, RegValue> expected[] = {
        {"autostart", Binary(QByteArray(1, '\0'))},
        {"notifycov", Binary("\1")},
        {"notifyfinish", Binary("\1")},
        {"position", StringBuffer("")},
        {"rectype", Binary(QByteArray(1, '\0'))},
        {"recside", Dword(0)},
        {"sfolder", StringBuffer(home.documents() + "/Ovento")},
        {"amode", Dword(1)},
        {"abitrate", Dword(1)},
        {"asample", Dword(1)},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(Stored(name), value) << name;

    EXPECT_FALSE(profile.m_bAutoStart);
    EXPECT_TRUE(profile.m_bNotifyCov && profile.m_bNotifyFinish);
    EXPECT_FALSE(profile.m_bRecType);
    EXPECT_EQ(profile.m_strSFolder, home.documents() + "/Ovento");
    EXPECT_EQ(profile.m_strPosition, "");
    EXPECT_EQ(
        std::tuple(profile.m_nRecSide, profile.m_nAMode, profile.m_nABitrate, profile.m_nASample),
        std::tuple(0, 1, 1, 1));
}

TEST_F(CGeneralProfileTest, SaveWritesNothingUntilDirty)
{
    CGeneralProfile profile;
    profile.m_nAMode = 2;
    EXPECT_TRUE(profile.Save());
    EXPECT_FALSE(QFile::exists(CRegistryStore::DefaultFilePath()));
    profile.SetDefaults();
    profile.Load();
    profile.m_nAMode = 2;
    EXPECT_TRUE(profile.Save());
    EXPECT_EQ(Stored("amode"), Dword(1));
}

TEST_F(CGeneralProfileTest, SavedSettingsComeBackExactly)
{
    CGeneralProfile profile;
    profile.Load();
    profile.m_bAutoStart = true;
    profile.m_strPosition = CGeneralProfile::FormatPosition(-10, 20, 410, 118);
    profile.m_bNotifyCov = false;
    profile.m_bNotifyFinish = false;
    profile.m_bRecType = true;
    profile.m_nRecSide = 7; // out of range stays as it is
    profile.m_strSFolder = QString::fromUtf8("/mnt/Grüße = \"calls\"\n日本 😀");
    profile.m_nAMode = -1;
    profile.m_nABitrate = 5;
    profile.m_nASample = 3;
    profile.m_bDirty = true;
    EXPECT_TRUE(profile.Save());
    EXPECT_EQ(Stored("sfolder"), String(profile.m_strSFolder)) << "no NUL, no padding";
    EXPECT_EQ(Stored("position"), String("-10,20,410,118"));
    EXPECT_EQ(StoredNames(), kLoadOrder);

    CGeneralProfile next;
    next.Load();
    EXPECT_TRUE(next.m_bAutoStart);
    EXPECT_EQ(next.m_strPosition, "-10,20,410,118");
    EXPECT_FALSE(next.m_bNotifyCov || next.m_bNotifyFinish);
    EXPECT_TRUE(next.m_bRecType);
    EXPECT_EQ(next.m_strSFolder, profile.m_strSFolder);
    EXPECT_EQ(std::tuple(next.m_nRecSide, next.m_nAMode, next.m_nABitrate, next.m_nASample),
              std::tuple(7, -1, 5, 3));
}

TEST_F(CGeneralProfileTest, ReadsFollowTheSizeOfTheStoredData)
{
    const QString longText(260, QChar('x'));
    struct Case
    {
        const char* what;
        const char* name;
        RegValue stored;
        RegValue storedAfter; // what the file holds after Load
        std::function<bool(const CGeneralProfile&)> check;
    };
    const QString defaultFolder = home.documents() + "/Ovento";
    const Case cases[] = {
        {"string over 520 bytes reads as missing", "sfolder", String(longText + "y"),
         StringBuffer(defaultFolder),
         [&](const CGeneralProfile& p) {
             return p.m_strSFolder == defaultFolder;
         }},
        {"string of exactly 520 bytes without a NUL", "sfolder", String(longText), String(longText),
         [&](const CGeneralProfile& p) {
             return p.m_strSFolder == longText;
         }},
        {"shorter folder than the default, no NUL", "sfolder", String("/m"), String("/m"),
         [](const CGeneralProfile& p) {
             return p.m_strSFolder == "/m";
         }},
        {"string ends at its NUL", "position",
         RegValue{RegKind::String, ToRegString(QString("1,2") + QChar(0) + "zz")},
         RegValue{RegKind::String, ToRegString(QString("1,2") + QChar(0) + "zz")},
         [](const CGeneralProfile& p) {
             return p.m_strPosition == "1,2";
         }},
        {"stored kind is not compared", "position", Dword(0x00320031), Dword(0x00320031),
         [](const CGeneralProfile& p) {
             return p.m_strPosition == "12";
         }},
        {"bool of two bytes reads as missing", "autostart", Binary("\1\1"),
         Binary(QByteArray(1, '\0')),
         [](const CGeneralProfile& p) {
             return !p.m_bAutoStart;
         }},
        {"any non-zero byte is true", "autostart", Binary("\x05"), Binary("\x05"),
         [](const CGeneralProfile& p) {
             return p.m_bAutoStart;
         }},
        {"empty bool keeps the default", "notifycov", Binary(""), Binary(""),
         [](const CGeneralProfile& p) {
             return p.m_bNotifyCov;
         }},
        {"dword of eight bytes reads as missing", "amode", Binary(QByteArray(8, '\2')), Dword(1),
         [](const CGeneralProfile& p) {
             return p.m_nAMode == 1;
         }},
        {"short dword replaces the low bytes", "abitrate",
         RegValue{RegKind::Dword, QByteArray("\x05", 1)},
         RegValue{RegKind::Dword, QByteArray("\x05", 1)},
         [](const CGeneralProfile& p) {
             return p.m_nABitrate == 5;
         }},
    };
    for (const Case& c : cases) {
        QFile::remove(CRegistryStore::DefaultFilePath());
        ASSERT_TRUE(CRegistryStore().SetValue(kKey, c.name, c.stored)) << c.what;
        CGeneralProfile profile;
        profile.Load();
        EXPECT_TRUE(c.check(profile)) << c.what;
        EXPECT_EQ(Stored(c.name), c.storedAfter) << c.what;
    }
}

TEST_F(CGeneralProfileTest, ADamagedSettingsFileGivesDefaultsAndIsKept)
{
    const QString path = CRegistryStore::DefaultFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[software\\Ovento\\config]\namode = dword:2\nrecside = dword:two\n");
    file.close();
    test::DebugLines debug;
    CGeneralProfile profile;
    profile.Load();
    EXPECT_EQ(profile.m_nAMode, 1);
    EXPECT_EQ(Stored("amode"), Dword(1));
    EXPECT_EQ(debug.Lines().size(), 1);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList({"registry.conf.damaged-*"}).size(),
              1);
}

TEST_F(CGeneralProfileTest, LoadKeepsTheCurrentFieldsAsDefaults)
{
    CGeneralProfile profile;
    profile.m_nASample = 3;
    profile.m_strPosition = "1,2,3,4";
    profile.Load();
    EXPECT_EQ(Stored("asample"), Dword(3));
    EXPECT_EQ(Stored("position"), StringBuffer("1,2,3,4"));
    profile.SetDefaults();
    EXPECT_EQ(profile.m_nASample, 1);
    EXPECT_FALSE(profile.m_bDirty);
}

TEST(CGeneralProfilePosition, TakesTheFirstFourNumbers)
{
    struct Case
    {
        const char* text;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {"10,20,410,118", {10, 20, 410, 118}},
        {"10,,20,410,118", {10, 20, 410, 118}},
        {"a,b,c,d", {0, 0, 0, 0}},
        {"1,2,3,4,5", {1, 2, 3, 4}},
        {" -5,+6,7px,  8", {-5, 6, 7, 8}},
        {"1,2,3", {1, 2, 3}},
        {"", {}},
        {",,,", {}},
        {"99999999999,-99999999999,1,2", {2147483647, -2147483647 - 1, 1, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CGeneralProfile::ParsePosition(c.text), c.numbers) << c.text;
    EXPECT_EQ(CGeneralProfile::FormatPosition(-1, 2, 3, 4), "-1,2,3,4");
}

TEST(CGeneralProfileInstance, GetInstanceKeepsOneObjectUntilDeleted)
{
    test::TempHome home;
    CGeneralProfile* first = CGeneralProfile::GetInstance();
    EXPECT_EQ(CGeneralProfile::GetInstance(), first);
    first->m_nAMode = 2;
    CGeneralProfile::DeleteInstance();
    EXPECT_EQ(CGeneralProfile::GetInstance()->m_nAMode, 1);
    CGeneralProfile::DeleteInstance();
}
