#pragma once

#include <QString>

namespace orvanel::platform {

// Every question the panel asks and every error box it shows goes through here, so that
// tests answer from a script and never wait on a dialog.
class Prompt
{
public:
    virtual ~Prompt() = default;

    // An information question with the buttons Yes and No; true only for Yes.
    virtual bool askYesNo(const QString& text) = 0;

    // The application's general error box: a handler ended on a failure it did not catch.
    virtual void showError(const QString& text) = 0;

    // A notice with the button OK, for what the user should know once.
    virtual void showInformation(const QString& text) = 0;
};

} // namespace orvanel::platform
