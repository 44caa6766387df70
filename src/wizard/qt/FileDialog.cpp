#include "wizard/qt/FileDialog.h"

#include "wizard/core/FileFilter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace orrin::wizard {

std::optional<QString> FileDialog::getOpenFileName(QWidget* parent, const QString& title,
                                                   const QString& filter)
{
    m_lastTitle = title;
    m_lastFilter = filter;
    ++m_timesShown;

    std::optional<QString> chosen;
    if (!m_answers.empty()) {
        chosen = m_answers.front();
        m_answers.pop_front();
    } else {
        chosen = askOpenFileName(parent, title, filter, m_fileName);
    }
    if (chosen) {
        m_fileName = *chosen;
    }
    return chosen;
}

void FileDialog::setNextFileName(const QString& fileName)
{
    m_answers.emplace_back(fileName);
}

void FileDialog::setNextCancel()
{
    m_answers.emplace_back(std::nullopt);
}

QString FileDialog::caseInsensitivePattern(const QString& pattern)
{
    QString result;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower != upper) {
            result += QLatin1Char('[') + lower + upper + QLatin1Char(']');
        } else {
            result += c;
        }
    }
    return result;
}

QStringList FileDialog::nameFilters(const QString& classicFilter)
{
    QStringList filters;
    for (const FileFilterEntry& entry : parseFileFilter(classicFilter.toStdString())) {
        QStringList patterns;
        for (const std::string& pattern : entry.patterns) {
            patterns << caseInsensitivePattern(QString::fromStdString(pattern));
        }
        filters << QString::fromStdString(entry.description) + QStringLiteral(" (") +
                       patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

// Qt's own dialog rather than the desktop's, so that the listing follows the filter rules above (a
// description alone lists everything, names match in any case) on every desktop alike.
std::optional<QString> FileDialog::askOpenFileName(QWidget* parent, const QString& title,
                                                   const QString& filter, const QString& startFileName)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(nameFilters(filter));
    if (!startFileName.isEmpty()) {
        const QFileInfo start(startFileName);
        if (start.dir().exists()) {
            dialog.setDirectory(start.dir());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace orrin::wizard
