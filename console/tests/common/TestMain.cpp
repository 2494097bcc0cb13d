// main() for the console's test programs: a Qt application object first (offscreen), so that
// plugins, timers and widgets work as in the program.
#include <gtest/gtest.h>

#include <QCoreApplication>

#ifdef CVBIO_TEST_GUI
#include <QApplication>
#endif

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                   : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
#ifdef CVBIO_TEST_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
