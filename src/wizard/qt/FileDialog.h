#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

class QWidget;

namespace orrin::wizard {

// The form's one file-open dialog, shared by both choose buttons. It keeps the last file name that
// it returned; a cancelled dialog leaves that name as it was. Filters are written in the classic
// "description|pattern|description|pattern" form: a description without a pattern lists every
// file, and patterns match file names without regard to letter case, as on the file system the two
// applications come from.
//
// Tests (and scripted demos) answer in advance with setNextFileName / setNextCancel; a queued answer
// is taken without showing anything. Otherwise askOpenFileName shows the dialog; a subclass may
// replace it.
class FileDialog {
  public:
    virtual ~FileDialog() = default;

    // A file's full path, or nothing when the user cancelled.
    std::optional<QString> getOpenFileName(QWidget* parent, const QString& title, const QString& filter);

    // The last file name returned ("" before the first).
    const QString& fileName() const { return m_fileName; }
    // What the last call asked for.
    const QString& lastTitle() const { return m_lastTitle; }
    const QString& lastFilter() const { return m_lastFilter; }
    int timesShown() const { return m_timesShown; }

    void setNextFileName(const QString& fileName);
    void setNextCancel();
    std::size_t pendingAnswers() const { return m_answers.size(); }

    // The classic filter as the dialog's name filters: "Orrin Database (zrv.accdb)" becomes
    // "Orrin Database (zrv.accdb) (*)", "Calvane Database (lic.mdb)|lic.mdb" becomes
    // "Calvane Database (lic.mdb) ([lL][iI][cC].[mM][dD][bB])". The dialog hides the pattern part.
    static QStringList nameFilters(const QString& classicFilter);
    // A wildcard pattern that matches the same names in any letter case.
    static QString caseInsensitivePattern(const QString& pattern);

  protected:
    // Shows the modal dialog; the chosen file's full path or nothing. startFileName is the file name
    // the dialog holds ("" when none was chosen yet).
    virtual std::optional<QString> askOpenFileName(QWidget* parent, const QString& title,
                                                   const QString& filter, const QString& startFileName);

  private:
    QString m_fileName;
    QString m_lastTitle;
    QString m_lastFilter;
    int m_timesShown = 0;
    std::deque<std::optional<QString>> m_answers;
};

} // namespace orrin::wizard
