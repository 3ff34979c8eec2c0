#include "core/settings_controller.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "settings_test_store.h"

namespace nimbral {
namespace {

class SettingsControllerTest : public test::SettingsStoreTest {
protected:
    SettingsController settings;
};

TEST_F(SettingsControllerTest, DefaultsWhenTheStoreIsEmpty) {
    EXPECT_EQ(settings.clientId(), "");
    EXPECT_EQ(settings.deviceSecret(), "");
    EXPECT_EQ(settings.sessionPassword(), "");
    EXPECT_FALSE(settings.hasStoredCredentials());
    EXPECT_EQ(settings.displayMode(), 1);
    EXPECT_TRUE(settings.clipboardSharing());
    EXPECT_EQ(settings.monitorIndex(), 0);
    EXPECT_TRUE(settings.autoReconnect());
    EXPECT_EQ(settings.maxReconnectAttempts(), 10);
    EXPECT_TRUE(settings.minimizeToTray());
    EXPECT_EQ(settings.language(), "");
    EXPECT_TRUE(settings.favorites().isEmpty());
    EXPECT_TRUE(settings.recentPartners().isEmpty());
    EXPECT_EQ(settings.wolMacAddress("123456789"), "");
}

TEST_F(SettingsControllerTest, ValuesLandUnderTheirKeysAndAreReadAfresh) {
    settings.setClientId("123456789");
    settings.setDeviceSecret("secret");
    settings.setSessionPassword("Pa55word");
    settings.setDisplayMode(0);
    settings.setClipboardSharing(false);
    settings.setMonitorIndex(2);
    settings.setAutoReconnect(false);
    settings.setMaxReconnectAttempts(3);
    settings.setMinimizeToTray(false);
    settings.setLanguage("de");
    settings.setWolMacAddress("987654321", "AA:BB:CC:DD:EE:FF");

    QSettings& raw = test::SettingsStoreTest::rawStore();
    EXPECT_EQ(raw.value("auth/clientId").toString(), "123456789");
    EXPECT_EQ(raw.value("auth/deviceSecret").toString(), "secret");
    EXPECT_EQ(raw.value("auth/sessionPassword").toString(), "Pa55word");
    EXPECT_EQ(raw.value("display/mode").toInt(), 0);
    EXPECT_FALSE(raw.value("display/clipboardSharing").toBool());
    EXPECT_EQ(raw.value("display/monitorIndex").toInt(), 2);
    EXPECT_FALSE(raw.value("network/autoReconnect").toBool());
    EXPECT_EQ(raw.value("network/maxReconnectAttempts").toInt(), 3);
    EXPECT_FALSE(raw.value("advanced/minimizeToTray").toBool());
    EXPECT_EQ(raw.value("general/language").toString(), "de");
    EXPECT_EQ(raw.value("wol/987654321").toString(), "AA:BB:CC:DD:EE:FF");

    // Nothing is cached: a change made behind the controller's back is seen at once.
    raw.setValue("auth/clientId", "111222333");
    raw.setValue("display/monitorIndex", 5);
    EXPECT_EQ(settings.clientId(), "111222333");
    EXPECT_EQ(settings.monitorIndex(), 5);
    EXPECT_EQ(SettingsController().sessionPassword(), "Pa55word");
}

TEST_F(SettingsControllerTest, ReadsWhatIsStoredUnderItsKeys) {
    QSettings& raw = test::SettingsStoreTest::rawStore();
    raw.setValue("auth/clientId", "123456789");
    raw.setValue("auth/deviceSecret", "abc");
    raw.setValue("auth/sessionPassword", "pw");
    raw.setValue("display/mode", 0);
    raw.setValue("display/clipboardSharing", false);
    raw.setValue("display/monitorIndex", 1);

    const SettingsController reader;
    EXPECT_EQ(reader.clientId(), "123456789");
    EXPECT_EQ(reader.deviceSecret(), "abc");
    EXPECT_TRUE(reader.hasStoredCredentials());
    EXPECT_EQ(reader.sessionPassword(), "pw");
    EXPECT_EQ(reader.targetFps(), 24);
    EXPECT_EQ(reader.encoderCqLevel(), 23);
    EXPECT_EQ(reader.encoderPreset(), "13");
    EXPECT_FALSE(reader.clipboardSharing());
    EXPECT_EQ(reader.monitorIndex(), 1);
    EXPECT_EQ(reader.serverUrl().scheme(), "https");
}

TEST_F(SettingsControllerTest, LanguageSurvivesTheIniBackendsSpellingOfItsGroup) {
    // What a restart reads back from "[%General]" on Linux.
    QSettings& raw = test::SettingsStoreTest::rawStore();
    raw.setValue("General/language", "cs");
    EXPECT_EQ(settings.language(), "cs");

    settings.setLanguage("de");
    EXPECT_EQ(settings.language(), "de");
    EXPECT_FALSE(raw.contains("General/language"));
    EXPECT_EQ(raw.value("general/language").toString(), "de");
}

TEST_F(SettingsControllerTest, CredentialsNeedBothIdAndSecret) {
    settings.setClientId("123456789");
    EXPECT_FALSE(settings.hasStoredCredentials());
    settings.setDeviceSecret("s3cr3t");
    EXPECT_TRUE(settings.hasStoredCredentials());
    settings.setClientId("");
    EXPECT_FALSE(settings.hasStoredCredentials());
}

TEST_F(SettingsControllerTest, DisplayModeSelectsFrameRateAndQuality) {
    EXPECT_EQ(settings.targetFps(), 10);
    EXPECT_EQ(settings.encoderCqLevel(), 45);
    EXPECT_EQ(settings.encoderPreset(), "13");
    settings.setDisplayMode(0);
    EXPECT_EQ(settings.targetFps(), 24);
    EXPECT_EQ(settings.encoderCqLevel(), 23);
    EXPECT_EQ(settings.encoderPreset(), "13");
    for (const int speedMode : {1, 2, -1, 99}) {
        settings.setDisplayMode(speedMode);
        EXPECT_EQ(settings.targetFps(), 10) << speedMode;
        EXPECT_EQ(settings.encoderCqLevel(), 45) << speedMode;
    }
}

TEST_F(SettingsControllerTest, ServerUrlIsHttpsOnPort443) {
    const QUrl url = settings.serverUrl();
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), "https");
    EXPECT_TRUE(url.port() == -1 || url.port() == 443) << url.port(); // -1: https's own 443
    EXPECT_FALSE(url.host().isEmpty());
}

TEST_F(SettingsControllerTest, FavouritesDropSpacesAndRefuseDuplicates) {
    settings.addFavorite("123 456 789");
    settings.addFavorite("123456789");
    settings.addFavorite(" 987654321 ");
    settings.addFavorite("   ");
    settings.addFavorite("");
    EXPECT_EQ(settings.favorites(), QStringList({"123456789", "987654321"}));

    // Only spaces are normalised; case and other characters are kept and compared exactly.
    settings.addFavorite("abc\t1");
    settings.addFavorite("ABC\t1");
    EXPECT_EQ(settings.favorites(), QStringList({"123456789", "987654321", "abc\t1", "ABC\t1"}));
}

TEST_F(SettingsControllerTest, FavouritesStopAtTwenty) {
    for (int i = 0; i < 20; ++i) {
        settings.addFavorite(QString::number(100000000 + i));
    }
    const QStringList full = settings.favorites();
    ASSERT_EQ(full.size(), 20);
    settings.addFavorite("999999999");
    EXPECT_EQ(settings.favorites(), full);
    EXPECT_EQ(full.first(), "100000000"); // in the order added
    EXPECT_EQ(full.last(), "100000019");
}

TEST_F(SettingsControllerTest, RemoveFavouriteNormalisesAndRemovesEveryCopy) {
    // A list written by hand (or an older version) may hold a duplicate.
    test::SettingsStoreTest::rawStore().setValue(
        "favorites/partnerIds", QStringList({"111111111", "222222222", "111111111"}));
    settings.removeFavorite("111 111 111");
    EXPECT_EQ(settings.favorites(), QStringList({"222222222"}));
    settings.removeFavorite("333333333");
    EXPECT_EQ(settings.favorites(), QStringList({"222222222"}));
}

TEST_F(SettingsControllerTest, RecentPartnersAreNewestFirstWithoutDuplicatesAndAtMostTen) {
    for (int i = 0; i < 10; ++i) {
        settings.addRecentPartner(QString::number(100000000 + i));
    }
    EXPECT_EQ(settings.recentPartners().size(), 10);
    EXPECT_EQ(settings.recentPartners().first(), "100000009");

    settings.addRecentPartner("100 000 003");
    QStringList recent = settings.recentPartners();
    EXPECT_EQ(recent.size(), 10);
    EXPECT_EQ(recent.first(), "100000003");
    EXPECT_EQ(recent.count("100000003"), 1);

    settings.addRecentPartner("200000000");
    recent = settings.recentPartners();
    EXPECT_EQ(recent.size(), 10);
    EXPECT_EQ(recent.first(), "200000000");
    EXPECT_FALSE(recent.contains("100000000")); // the oldest went out

    settings.addRecentPartner("  ");
    EXPECT_EQ(settings.recentPartners(), recent);
}

TEST_F(SettingsControllerTest, OverlongRecentListIsCutOnTheNextAdd) {
    QStringList stored;
    for (int i = 0; i < 15; ++i) {
        stored << QString::number(300000000 + i);
    }
    test::SettingsStoreTest::rawStore().setValue("history/recentPartnerIds", stored);
    settings.addRecentPartner("400000000");
    const QStringList recent = settings.recentPartners();
    ASSERT_EQ(recent.size(), 10);
    EXPECT_EQ(recent.first(), "400000000");
    EXPECT_EQ(recent.last(), "300000008");
}

TEST_F(SettingsControllerTest, WakeOnLanAddressesArePerPartnerAsEntered) {
    settings.setWolMacAddress("111111111", "aa-bb-cc-dd-ee-ff");
    EXPECT_EQ(settings.wolMacAddress("111111111"), "aa-bb-cc-dd-ee-ff");
    EXPECT_EQ(settings.wolMacAddress("222222222"), "");
}

TEST_F(SettingsControllerTest, WrongTypesInTheStoreReadAsSomethingSafe) {
    QSettings& raw = test::SettingsStoreTest::rawStore();
    raw.setValue("display/mode", "fast");
    raw.setValue("display/monitorIndex", "x");
    // A non-number reads as 0, which is quality mode; what matters is that nothing breaks.
    EXPECT_EQ(settings.displayMode(), 0);
    EXPECT_EQ(settings.monitorIndex(), 0);
    raw.setValue("favorites/partnerIds", "123456789");
    EXPECT_EQ(settings.favorites(), QStringList({"123456789"}));
}

} // namespace
} // namespace nimbral

namespace nimbral {
namespace {

TEST(SettingsControllerFile, StoresInTheirOwnFilesKeepTheirDevicesApart) {
    QTemporaryDir folder;
    const QString first = folder.filePath("first.ini");
    {
        SettingsController a(first);
        SettingsController b(folder.filePath("second.ini"));
        a.setClientId("111222333");
        a.setDeviceSecret("secret-a");
        b.setClientId("444555666");
        EXPECT_EQ(a.clientId(), "111222333");
        EXPECT_EQ(b.clientId(), "444555666");
        EXPECT_FALSE(b.hasStoredCredentials());
        EXPECT_EQ(b.targetFps(), 10) << "the defaults of an empty store";
    }
    // Written to the file, read back by the next start.
    EXPECT_TRUE(QFile::exists(first));
    SettingsController again(first);
    EXPECT_EQ(again.clientId(), "111222333");
    EXPECT_TRUE(again.hasStoredCredentials());
}

// The signing key is made once and lives in the store (which only its account reads); a pin is
// per partner, under the partner ID without its spaces, and holds only a key of the right size.
TEST(SettingsControllerFile, TheDeviceKeyIsMadeOnceAndPartnersArePinnedOneByOne) {
    QTemporaryDir folder;
    const QString path = folder.filePath("settings.ini");
    QByteArray key;
    {
        SettingsController store(path);
        key = store.deviceSigningKey();
        ASSERT_EQ(key.size(), 32);
        EXPECT_EQ(store.deviceSigningKey(), key);
        EXPECT_TRUE(store.pinnedPartnerKey("123456789").isEmpty());
        store.pinPartnerKey("123 456 789", QByteArray(32, 'k'));
        store.pinPartnerKey("987654321", QByteArray(31, 'x')); // not a key
        EXPECT_FALSE(store.acceptOnlyVerifiedSessions(false));
        EXPECT_TRUE(store.acceptOnlyVerifiedSessions(true)) << "the caller's default";
        store.setAcceptOnlyVerifiedSessions(true);
    }
    SettingsController again(path);
    EXPECT_EQ(again.deviceSigningKey(), key) << "the same device next time";
    EXPECT_EQ(again.pinnedPartnerKey("123456789"), QByteArray(32, 'k'));
    EXPECT_TRUE(again.pinnedPartnerKey("987654321").isEmpty());
    EXPECT_TRUE(again.acceptOnlyVerifiedSessions(false));
    EXPECT_NE(SettingsController(folder.filePath("other.ini")).deviceSigningKey(), key);
}

// The store holds the device secret: only its own account may read it, from the first write on
// and after every rewrite, and a store an earlier version left readable is closed at start.
TEST(SettingsControllerFile, TheStoreWithTheSecretIsReadableByItsAccountAlone) {
    const auto privateMode = QFile::ReadOwner | QFile::WriteOwner;
    const auto mode = [](const QString& path) {
        return QFileInfo(path).permissions() &
               (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                QFile::ExeOther);
    };
    QTemporaryDir folder;
    const QString path = folder.filePath("profile/settings.ini");
    {
        SettingsController store(path);
        store.setDeviceSecret(QString(64, 'a'));
        store.setClientId("111222333");
    }
    EXPECT_EQ(mode(path), privateMode);
    {
        SettingsController store(path);
        store.setSessionPassword("Valid-Pass1"); // rewritten in place of the old file
    }
    EXPECT_EQ(mode(path), privateMode);

    QFile::setPermissions(path, privateMode | QFile::ReadGroup | QFile::ReadOther);
    SettingsController reopened(path);
    EXPECT_EQ(mode(path), privateMode);
    EXPECT_EQ(reopened.clientId(), "111222333");
}

} // namespace
} // namespace nimbral
