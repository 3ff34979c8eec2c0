#include <QCoreApplication>

#include <gtest/gtest.h>

// Qt objects under test need an application object; the event loop is driven by ASSERT_WAIT and
// QSignalSpy::wait inside the tests.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
