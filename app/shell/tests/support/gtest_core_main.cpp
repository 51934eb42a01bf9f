// main() for GoogleTest suites of dorvex_core: a QCoreApplication, no GUI.
// Add this file to the test's SOURCES (with KIND gtest): the test's own main
// comes before GoogleTest's.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
