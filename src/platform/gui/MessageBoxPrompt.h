#pragma once

#include "platform/Prompt.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QMessageBox;

namespace orvanel::platform {

// The real prompt: modal message boxes titled "Orvanel" over the given window.
class MessageBoxPrompt final : public Prompt
{
public:
    explicit MessageBoxPrompt(QWidget* parent = nullptr);

    bool askYesNo(const QString& text) override;
    void showError(const QString& text) override;
    void showInformation(const QString& text) override;

    // The boxes as shown, built apart from showing them so that their look is testable
    // without anyone answering a dialog.
    static std::unique_ptr<QMessageBox> questionBox(const QString& text, QWidget* parent);
    static std::unique_ptr<QMessageBox> errorBox(const QString& text, QWidget* parent);

    // The window the boxes belong to; the main window sets itself once it exists.
    void setParent(QWidget* parent) { m_parent = parent; }

private:
    QPointer<QWidget> m_parent;
};

} // namespace orvanel::platform
