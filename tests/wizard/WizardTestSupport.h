#pragma once

#include "common/TestClock.h"
#include "wizard/qt/FileDialog.h"
#include "wizard/qt/MessageBox.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{';
    for (const QString& text : texts) {
        *out << " \"" << text.toStdString() << '"';
    }
    *out << " }";
}

namespace orrin::wizard::testing {

using orrin::testing::TestClock;

// A dialog that is never shown: a test that forgets to answer it fails instead of hanging.
class ScriptedFileDialog : public FileDialog {
  protected:
    std::optional<QString> askOpenFileName(QWidget*, const QString& title, const QString&,
                                           const QString&) override
    {
        ADD_FAILURE() << "the file dialog \"" << title.toStdString() << "\" was shown without an answer";
        return std::nullopt;
    }
};

// Clears the message boxes' record and queued answers before and after a test.
class MessageBoxScope {
  public:
    MessageBoxScope() { MessageBox::reset(); }
    ~MessageBoxScope() { MessageBox::reset(); }
    MessageBoxScope(const MessageBoxScope&) = delete;
    MessageBoxScope& operator=(const MessageBoxScope&) = delete;
};

} // namespace orrin::wizard::testing
