// The window's tests need a QApplication for their whole life, on the offscreen platform unless the
// caller chose another.
#include "wizard/qt/MessageBox.h"

#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // A form that a test closes must not end anything: the tests go on.
    QApplication::setQuitOnLastWindowClosed(false);
    // A box that a test did not answer in advance is recorded with no answer (counted as No)
    // instead of waiting for a user who is not there.
    orrin::wizard::MessageBox::setUnattendedAnswer(QMessageBox::NoButton);
    return RUN_ALL_TESTS();
}
