#pragma once

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace nimbral::test {

// Points the per-user native store at a private folder and empties it before each test, so the
// tests neither see nor touch the settings of whoever runs them.
class SettingsStoreTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new QTemporaryDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, s_folder->path());
        // A store of this suite's folder: one made for an earlier suite still points at its own.
        s_store = new QSettings(QSettings::NativeFormat, QSettings::UserScope, "Nimbral",
                                "NimbralClient");
    }
    static void TearDownTestSuite() {
        delete s_store;
        s_store = nullptr;
        delete s_folder;
        s_folder = nullptr;
    }
    void SetUp() override { rawStore().clear(); }

    static QSettings& rawStore() {
        s_store->sync();
        return *s_store;
    }

private:
    static inline QTemporaryDir* s_folder = nullptr;
    static inline QSettings* s_store = nullptr;
};

} // namespace nimbral::test
