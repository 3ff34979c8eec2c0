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
    }
    static void TearDownTestSuite() {
        delete s_folder;
        s_folder = nullptr;
    }
    void SetUp() override { rawStore().clear(); }

    static QSettings& rawStore() {
        static QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Nimbral",
                               "NimbralClient");
        store.sync();
        return store;
    }

private:
    static inline QTemporaryDir* s_folder = nullptr;
};

} // namespace nimbral::test
