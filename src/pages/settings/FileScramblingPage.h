#pragma once

#include "pages/Page.h"
#include "workspace/FileScrambling.h"

#include <QPointer>
#include <QString>

class QLineEdit;

namespace orvanel {

// The file scrambling page: the left button writes a scrambled copy of the left field's
// file into the right field's file, the right button restores the left file from the
// scrambled right one. Both ask first. The key word lives with the page while it is built.
class FileScramblingPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void BitBtn25Click();
    void BitBtn26Click();

    // The word the starting key is made of, once the page is built.
    const QString& keyWord() const { return m_keyWord; }

private:
    void run(const QString& source, const QString& destination, scrambling::Mode mode);

    QPointer<QLineEdit> m_leftField;
    QPointer<QLineEdit> m_rightField;
    QString m_keyWord;
};

} // namespace orvanel
