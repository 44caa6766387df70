// The window as the user first sees it: controls, texts, fonts, tab order, look.
#include "WizardTestSupport.h"

#include "wizard/qt/frmImport.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace orrin::wizard {
namespace {

using testing::ScriptedFileDialog;

template <typename T> T* control(const frmImport& form, const char* name)
{
    T* widget = form.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

struct ControlCase {
    const char* objectName;
    const char* kind; // "button", "box" or "label"
    const char* text;
};

void PrintTo(const ControlCase& c, std::ostream* out)
{
    *out << c.objectName;
}

class FormControls : public ::testing::TestWithParam<ControlCase> {};

TEST_P(FormControls, HasItsDesignTimeText)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    const ControlCase& c = GetParam();
    QString text;
    if (std::string(c.kind) == "button") {
        QPushButton* button = control<QPushButton>(form, c.objectName);
        ASSERT_NE(button, nullptr);
        text = button->text();
        EXPECT_TRUE(button->isEnabled());
    } else if (std::string(c.kind) == "box") {
        QLineEdit* box = control<QLineEdit>(form, c.objectName);
        ASSERT_NE(box, nullptr);
        text = box->text();
        EXPECT_FALSE(box->isReadOnly());
    } else {
        QLabel* label = control<QLabel>(form, c.objectName);
        ASSERT_NE(label, nullptr);
        text = label->text();
        EXPECT_EQ(label->font().family(), QStringLiteral("MS Sans Serif"));
        EXPECT_EQ(label->font().pointSizeF(), 8.25);
        EXPECT_TRUE(label->font().bold());
    }
    EXPECT_EQ(text, QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(frmImport, FormControls,
                         ::testing::Values(ControlCase{"cmdChooseOrrinDb", "button", "Orrin Database"},
                                           ControlCase{"txtOrrinDb", "box", "C:\\Zarvo\\Data\\zrv.accdb"},
                                           ControlCase{"cmdChooseAgentDb", "button", "Calvane Database"},
                                           ControlCase{"txtAgentDb", "box", "C:\\Calvane\\LIC.mdb"},
                                           ControlCase{"cmdImport", "button", "Start Data Import Wizard"},
                                           ControlCase{"Label1", "label", "1."},
                                           ControlCase{"Label2", "label", "2."},
                                           ControlCase{"Label3", "label", "3."}),
                         [](const auto& info) { return std::string(info.param.objectName); });

TEST(frmImport, StartsIdleWithItsCaptionAndNoOtherControls)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Orrin Data Import Wizard"));
    EXPECT_EQ(form.objectName(), QStringLiteral("frmImport"));
    EXPECT_EQ(form.StartTime(), 0.0);
    EXPECT_EQ(form.PoliciesTransferred(), 0.0);
    EXPECT_EQ(form.OrrinDbFolder(), "");
    EXPECT_EQ(form.AgentDbFolder(), "");
    EXPECT_FALSE(form.running());
    EXPECT_EQ(form.exitCode(), 0);

    const auto widgets = form.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList names;
    for (const QWidget* widget : widgets) {
        names << widget->objectName();
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Label1"), QStringLiteral("Label2"),
                                  QStringLiteral("Label3"), QStringLiteral("cmdChooseAgentDb"),
                                  QStringLiteral("cmdChooseOrrinDb"), QStringLiteral("cmdImport"),
                                  QStringLiteral("txtAgentDb"), QStringLiteral("txtOrrinDb")}));
}

TEST(frmImport, TimerTicksEverySecondFromLoad)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    QTimer* timer = form.findChild<QTimer*>(QStringLiteral("tmrTime"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(timer->isActive());
    EXPECT_FALSE(timer->isSingleShot());
}

TEST(frmImport, TabOrderRunsTopToBottom)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    QWidget* first = control<QPushButton>(form, "cmdChooseOrrinDb");
    ASSERT_NE(first, nullptr);
    QStringList order;
    QWidget* widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != first && order.size() < 20);
    EXPECT_EQ(order, (QStringList{QStringLiteral("cmdChooseOrrinDb"), QStringLiteral("txtOrrinDb"),
                                  QStringLiteral("cmdChooseAgentDb"), QStringLiteral("txtAgentDb"),
                                  QStringLiteral("cmdImport")}));
}

TEST(frmImport, ButtonsShareOneWidthAndPathBoxesSpanTheForm)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    form.show();
    form.layout()->activate();

    const int width = control<QPushButton>(form, "cmdChooseOrrinDb")->width();
    EXPECT_EQ(control<QPushButton>(form, "cmdChooseAgentDb")->width(), width);
    EXPECT_EQ(control<QPushButton>(form, "cmdImport")->width(), width);
    EXPECT_GE(width, control<QPushButton>(form, "cmdImport")->sizeHint().width());

    for (const char* name : {"txtOrrinDb", "txtAgentDb"}) {
        const QLineEdit* box = control<QLineEdit>(form, name);
        EXPECT_GE(box->width(), form.width() * 85 / 100) << name;
        EXPECT_GT(box->width(), width) << name;
    }
    // Each number stands level with its button, left of it.
    for (const auto& [label, button] :
         {std::pair{"Label1", "cmdChooseOrrinDb"}, std::pair{"Label2", "cmdChooseAgentDb"},
          std::pair{"Label3", "cmdImport"}}) {
        const QRect l = control<QLabel>(form, label)->geometry();
        const QRect b = control<QPushButton>(form, button)->geometry();
        EXPECT_LT(l.right(), b.left()) << label;
        EXPECT_NEAR(l.center().y(), b.center().y(), 2) << label;
    }
    form.close();
}

// Saves the window's picture for the test suite's artefacts.
TEST(frmImport, Screenshot)
{
    ScriptedFileDialog dialog;
    frmImport form(&dialog);
    form.show();
    form.layout()->activate();
    const QPixmap picture = form.grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), form.size() * picture.devicePixelRatio());

    const char* binaryDir = std::getenv("ORRIN_TEST_BINARY_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(binaryDir && *binaryDir ? binaryDir : std::filesystem::temp_directory_path()) /
        "artifacts";
    std::filesystem::create_directories(folder);
    const QString file = QString::fromStdString((folder / "frmImport.png").string());
    ASSERT_TRUE(picture.save(file, "PNG")) << file.toStdString();
    EXPECT_FALSE(QImage(file).isNull());
    form.close();
}

} // namespace
} // namespace orrin::wizard
