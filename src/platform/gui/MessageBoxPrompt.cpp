#include "platform/gui/MessageBoxPrompt.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {
const QString kTitle = u"Orvanel"_s;
} // namespace

MessageBoxPrompt::MessageBoxPrompt(QWidget* parent) : m_parent(parent) {}

std::unique_ptr<QMessageBox> MessageBoxPrompt::questionBox(const QString& text, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Information, kTitle, text,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    // Plain text: names of files and engines are shown as they are, never as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

std::unique_ptr<QMessageBox> MessageBoxPrompt::errorBox(const QString& text, QWidget* parent)
{
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::Critical, kTitle, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

bool MessageBoxPrompt::askYesNo(const QString& text)
{
    return questionBox(text, m_parent.data())->exec() == QMessageBox::Yes;
}

void MessageBoxPrompt::showError(const QString& text)
{
    errorBox(text, m_parent.data())->exec();
}

void MessageBoxPrompt::showInformation(const QString& text)
{
    QMessageBox box(QMessageBox::Information, kTitle, text, QMessageBox::Ok, m_parent.data());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace orvanel::platform
