#include "pages/settings/FileScramblingPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// Files scrambled with one word restore only with the same word: it never changes.
constexpr auto kKeyWord = "tessel"_L1;

QLineEdit* addFileField(QWidget* panel, const QString& name, int left)
{
    auto* field = new QLineEdit(panel);
    field->setObjectName(name);
    field->setGeometry(left, 32, 121, 21);
    field->show();
    return field;
}

} // namespace

void FileScramblingPage::build(QWidget* panel)
{
    const TextTable& texts = context().texts();
    m_leftField = addFileField(panel, u"LeftFileField"_s, 32);
    m_rightField = addFileField(panel, u"RightFileField"_s, 220);
    QPushButton* scramble =
        makeGlyphButton(panel, u"BitBtn25"_s, GlyphKind::OK, {32, 62, 75, 25}, texts.text(97));
    QObject::connect(scramble, &QPushButton::clicked, scramble, [this] { BitBtn25Click(); });
    QPushButton* restore =
        makeGlyphButton(panel, u"BitBtn26"_s, GlyphKind::OK, {220, 62, 75, 25}, texts.text(98));
    QObject::connect(restore, &QPushButton::clicked, restore, [this] { BitBtn26Click(); });
    m_keyWord = kKeyWord;
}

void FileScramblingPage::BitBtn25Click()
{
    if (m_leftField && m_rightField)
        run(m_leftField->text(), m_rightField->text(), scrambling::Mode::Add);
}

void FileScramblingPage::BitBtn26Click()
{
    if (m_leftField && m_rightField)
        run(m_rightField->text(), m_leftField->text(), scrambling::Mode::Subtract);
}

void FileScramblingPage::run(const QString& source, const QString& destination,
                             scrambling::Mode mode)
{
    platform::Prompt* prompt = context().services().prompt;
    if (!prompt || !prompt->askYesNo(context().texts().text(65)))
        return;
    // A missing source ends the operation without a word.
    if (!QFileInfo::exists(source))
        return;
    const scrambling::CryptOpt opt{source, destination, scrambling::startingKey(m_keyWord)};
    QString error;
    if (!scrambling::scrambleFile(opt, mode, &error))
        prompt->showError(error);
}

} // namespace orvanel
