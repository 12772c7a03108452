// The main() of the daemon tests, kept apart from the fixture so that a test program with a
// main() of its own (one that needs a GUI application, say) can still use the fixture.
#include "DaemonFixture.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <thread>

// Qt delivers the bus calls of the settings application's stand-in only while the main thread
// runs its event loop, so the tests run on a thread of their own.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    int result = 1;
    std::thread tests([&] {
        result = RUN_ALL_TESTS();
        // On the thread that built them: the bus and the X server die with it.
        DaemonTest::tearDownProgram();
        QMetaObject::invokeMethod(&app, "quit", Qt::QueuedConnection);
    });
    app.exec();
    tests.join();
    return result;
}
