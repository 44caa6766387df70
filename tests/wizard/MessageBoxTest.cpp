#include "WizardTestSupport.h"

#include "wizard/qt/MessageBox.h"

#include <gtest/gtest.h>

namespace orrin::wizard {
namespace {

using testing::MessageBoxScope;

TEST(MessageBox, TakesQueuedAnswersInOrderAndRecordsEveryBox)
{
    MessageBoxScope scope;
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);

    EXPECT_EQ(MessageBox::question(nullptr, QStringLiteral("Go on?")), QMessageBox::Yes);
    EXPECT_EQ(MessageBox::information(nullptr, QStringLiteral("Done")), QMessageBox::Ok);
    EXPECT_EQ(MessageBox::pendingAnswers(), 0u);

    const auto& shown = MessageBox::shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].icon, QMessageBox::Question);
    EXPECT_EQ(shown[0].title, QStringLiteral("Orrin Data Import Wizard"));
    EXPECT_EQ(shown[0].text, QStringLiteral("Go on?"));
    EXPECT_EQ(shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));
    EXPECT_EQ(shown[0].answer, QMessageBox::Yes);
    EXPECT_EQ(shown[1].icon, QMessageBox::Information);
    EXPECT_EQ(shown[1].title, QStringLiteral("Orrin Data Import Wizard"));
    EXPECT_EQ(shown[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(shown[1].answer, QMessageBox::Ok);
}

TEST(MessageBox, WithoutAQueuedAnswerTakesTheUnattendedOne)
{
    MessageBoxScope scope;
    // The test program's main sets "no answer" as the unattended answer.
    EXPECT_EQ(MessageBox::critical(nullptr, QStringLiteral("Broken")), QMessageBox::NoButton);
    ASSERT_EQ(MessageBox::shown().size(), 1u);
    EXPECT_EQ(MessageBox::shown()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(MessageBox::shown()[0].text, QStringLiteral("Broken"));
}

TEST(MessageBox, ResetDropsQueuedAnswersAndTheRecord)
{
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::information(nullptr, QStringLiteral("x"));
    MessageBox::setNextAnswer(QMessageBox::No);
    MessageBox::reset();
    EXPECT_EQ(MessageBox::pendingAnswers(), 0u);
    EXPECT_TRUE(MessageBox::shown().empty());
}

TEST(MessageBox, DisplaysClassicLineBreaksAsLineBreaks)
{
    EXPECT_EQ(MessageBox::displayText(QStringLiteral("Field not found\r\n\r\nDo you want to continue ?")),
              QStringLiteral("Field not found\n\nDo you want to continue ?"));
    EXPECT_EQ(MessageBox::displayText(QStringLiteral("one line")), QStringLiteral("one line"));
}

} // namespace
} // namespace orrin::wizard
