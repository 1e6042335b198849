#include <gtest/gtest.h>

#include <QCoreApplication>

// Timers, sockets and socket notifiers need an application object; no display is involved.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
