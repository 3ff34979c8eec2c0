#include "core/settings_controller.h"

#include "settings_test_store.h"

namespace nimbral {
namespace {

// The service's copy must not even offer the desktop-only operations.
template <typename S>
concept OffersFavorites = requires(S& s) {
    s.favorites();
};
template <typename S>
concept OffersRecentPartners = requires(S& s) {
    s.addRecentPartner({});
};
template <typename S>
concept OffersLanguage = requires(S& s) {
    s.language();
};
template <typename S>
concept OffersTray = requires(S& s) {
    s.minimizeToTray();
};
template <typename S>
concept OffersReconnect = requires(S& s) {
    s.autoReconnect();
};
template <typename S>
concept OffersWakeOnLan = requires(S& s) {
    s.wolMacAddress({});
};
template <typename S>
concept OffersMonitor = requires(S& s) {
    s.monitorIndex();
};
static_assert(!OffersFavorites<SettingsController>);
static_assert(!OffersRecentPartners<SettingsController>);
static_assert(!OffersLanguage<SettingsController>);
static_assert(!OffersTray<SettingsController>);
static_assert(!OffersReconnect<SettingsController>);
static_assert(!OffersWakeOnLan<SettingsController>);
static_assert(OffersMonitor<SettingsController>);

class ServiceSettingsTest : public test::SettingsStoreTest {};

TEST_F(ServiceSettingsTest, ReadsWhatTheClientStoredUnderTheSameNames) {
    QSettings& raw = rawStore();
    raw.setValue("auth/clientId", "123456789");
    raw.setValue("auth/deviceSecret", "abc");
    raw.setValue("auth/sessionPassword", "pw");
    raw.setValue("display/mode", 0);
    raw.setValue("display/clipboardSharing", false);
    raw.setValue("display/monitorIndex", 1);

    const SettingsController settings;
    EXPECT_EQ(settings.clientId(), "123456789");
    EXPECT_EQ(settings.deviceSecret(), "abc");
    EXPECT_TRUE(settings.hasStoredCredentials());
    EXPECT_EQ(settings.sessionPassword(), "pw");
    EXPECT_EQ(settings.targetFps(), 24);
    EXPECT_EQ(settings.encoderCqLevel(), 23);
    EXPECT_EQ(settings.encoderPreset(), "13");
    EXPECT_FALSE(settings.clipboardSharing());
    EXPECT_EQ(settings.monitorIndex(), 1);
    EXPECT_EQ(settings.serverUrl().scheme(), "https");
}

TEST_F(ServiceSettingsTest, WritesLandWhereTheClientReads) {
    SettingsController settings;
    settings.setClientId("555666777");
    settings.setDeviceSecret("s");
    settings.setSessionPassword("p");
    settings.setDisplayMode(3);
    settings.setMonitorIndex(4);
    settings.setClipboardSharing(true);
    QSettings& raw = rawStore();
    EXPECT_EQ(raw.value("auth/clientId").toString(), "555666777");
    EXPECT_EQ(raw.value("auth/deviceSecret").toString(), "s");
    EXPECT_EQ(raw.value("auth/sessionPassword").toString(), "p");
    EXPECT_EQ(raw.value("display/mode").toInt(), 3);
    EXPECT_EQ(raw.value("display/monitorIndex").toInt(), 4);
    EXPECT_TRUE(raw.value("display/clipboardSharing").toBool());
}

} // namespace
} // namespace nimbral
